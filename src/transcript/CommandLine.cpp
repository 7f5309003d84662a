// runCommandLine: "compose" and "print" through the same work as the menu commands.
#include "transcript/CommandLine.h"

#include "transcript/ConsoleDialogs.h"
#include "transcript/NativeWordEngine.h"
#include "transcript/TemplateFile.h"
#include "transcript/TranscriptCommands.h"

#include "platform/DurableFile.h"
#include "platform/Fingerprint.h"
#include "platform/Settings.h"
#include "platform/ProductVersion.h"
#include "platform/ProgramDir.h"
#include "platform/Shell.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>
#include <memory>

namespace transcript {

namespace {

const QString kUsage =
    QStringLiteral("用法：\n"
                   "  quillon                                   打开程序窗口\n"
                   "  quillon compose TEMPLATE.ini [--out FILE.doc] [--pdf FILE.pdf] [--force]\n"
                   "      按笔录模板生成笔录WORD文档（默认保存在程序目录的 BL 目录中，并重写模板），\n"
                   "      --out 指定文档位置，--pdf 另外输出 PDF，--force 覆盖已存在的文档\n"
                   "  quillon print FILE [--printer NAME]\n"
                   "      打印笔录WORD文档(.doc)或文本文件，默认用默认打印机\n"
                   "  quillon verify FILE... | LIST.sha256...\n"
                   "      按 FILE.sha256 指纹文件核对录音、录像、笔录文档和模板，或按指纹列表核对其中的每个文件，\n"
                   "      逐个显示 OK 或 FAILED\n"
                   "  quillon --help                            显示本说明\n"
                   "  quillon --version                         显示程序版本\n");

struct Options {
    QStringList positional;
    QString out;
    QString pdf;
    QString printer;
    bool force = false;
    QString error;
};

Options parse(const QStringList& args) {
    Options o;
    for (qsizetype i = 2; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == "--force") {
            o.force = true;
        } else if (a == "--out" || a == "--pdf" || a == "--printer") {
            if (i + 1 >= args.size()) {
                o.error = QStringLiteral("%1 后面缺少参数").arg(a);
                break;
            }
            (a == "--out" ? o.out : a == "--pdf" ? o.pdf : o.printer) = args[++i];
        } else if (a.startsWith("--")) {
            o.error = QStringLiteral("不认识的选项 %1").arg(a);
            break;
        } else {
            o.positional << a;
        }
    }
    return o;
}

// The application object that fonts and printing need; offscreen where no display is set.
std::unique_ptr<QGuiApplication> ensureApplication() {
    if (QCoreApplication::instance())
        return nullptr;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "quillon";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

// Files of one compose that are one file: the template read, and the files it writes (each is
// written only once the one before it is complete, so that one written over another is lost). The
// refusal, or empty text.
QString sameFiles(const QString& source, const QString& templateFile, const QString& document, const QString& pdf) {
    QList<std::pair<QString, QStringList>> checks{{document, {source, templateFile}}};
    if (!pdf.isEmpty())
        checks.append({pdf,
                       {source, templateFile, fingerprint::sidecarPath(templateFile), document,
                        fingerprint::sidecarPath(document)}});
    for (const auto& [output, others] : checks) {
        for (const QString& other : others) {
            if (durable::sameFile(output, other))
                return QStringLiteral(" 输出文件 <%1> 和 <%2> 是同一个文件，什么也没有写入。 ").arg(output, other);
        }
    }
    return {};
}

class Runner {
public:
    Runner() : m_out(stdout), m_err(stderr) {}

    int compose(const Options& o) {
        if (o.positional.size() != 1 || !o.printer.isEmpty())
            return usageError(QStringLiteral("compose 需要一个模板文件"));
        const QString templateFile = o.positional.first();
        if (!QFileInfo(templateFile).isFile()) {
            m_err << QStringLiteral("提示：")
                  << QStringLiteral(" 没有选择正确的笔录模板 *.ini文件，模板文件保存在 <%1/> 目录中。")
                         .arg(programdir::blDir(programDir()))
                  << Qt::endl;
            return 1;
        }
        record::TranscriptRecord r = readTemplate(templateFile);
        const QString docPath = o.out.isEmpty() ? documentPath(programDir(), r) : QFileInfo(o.out).absoluteFilePath();
        const QString pdf = o.pdf.isEmpty() ? QString() : QFileInfo(o.pdf).absoluteFilePath();
        if (const QString clash = sameFiles(templateFile, templatePath(programDir(), r), docPath, pdf);
            !clash.isEmpty()) {
            m_err << texts::kHint << clash << Qt::endl;
            return 1;
        }
        if (QFileInfo::exists(docPath) && !o.force) {
            m_err << texts::kHint << texts::kOverwrite << QStringLiteral("(<%1>，加 --force 覆盖)").arg(docPath)
                  << Qt::endl;
            return 1;
        }
        ConsoleDialogs dialogs(m_err, Dialogs::Answer::Yes);
        CommandEnv env = environment(dialogs);
        SaveOptions options;
        options.documentPath = docPath;
        if (!pdf.isEmpty()) {
            options.afterSave = [&](word::DocumentWriter& writer) {
                if (writer.print({QString(), pdf}))
                    return true;
                dialogs.message(QStringLiteral("无法输出PDF："),
                                QStringLiteral(" PDF文件没有生成：<%1> %2 笔录文档和模板已经保存。 ")
                                    .arg(pdf, writer.lastError()),
                                Dialogs::Buttons::Ok);
                return false;
            };
        }
        const std::optional<SaveResult> saved = saveTranscript(r, env, options);
        if (!saved || !saved->saved)
            return 1;
        m_out << saved->status << Qt::endl;
        m_out << QStringLiteral("笔录文档：") << docPath << Qt::endl;
        m_out << QStringLiteral("笔录模板：") << templatePath(programDir(), r) << Qt::endl;
        if (!pdf.isEmpty() && saved->complete)
            m_out << QStringLiteral("PDF文件：") << pdf << Qt::endl;
        // The transcript is saved, but without the PDF asked for it is no complete result for a script.
        return saved->complete ? 0 : 1;
    }

    int print(const Options& o) {
        if (o.positional.size() != 1 || !o.out.isEmpty() || !o.pdf.isEmpty() || o.force)
            return usageError(QStringLiteral("print 需要一个要打印的文件"));
        ConsoleDialogs dialogs(m_err, Dialogs::Answer::No);
        CommandEnv env = environment(dialogs);
        const std::optional<QString> status =
            printChosenFile(QFileInfo(o.positional.first()).absoluteFilePath(), env, {o.printer, QString()});
        if (!status)
            return 1;
        m_out << *status << Qt::endl;
        return 0;
    }

    int help() {
        m_out << kUsage;
        m_out.flush();
        return 0;
    }

    int version() {
        m_out << QStringLiteral("Quillon ") << product::kVersion << Qt::endl;
        return 0;
    }

    int usageError(const QString& text) {
        m_err << text << "\n\n" << kUsage;
        m_err.flush();
        return 2;
    }

private:
    // Resolved on first use, so that --help and --version leave the user's folders alone.
    const QString& programDir() {
        if (m_programDir.isEmpty()) {
            const programdir::Location location = programdir::resolve();
            if (!location.problem.isEmpty())
                m_err << QStringLiteral("提示：") << location.problem << Qt::endl;
            m_programDir = location.dir;
        }
        return m_programDir;
    }

    CommandEnv environment(Dialogs& dialogs) {
        return {dialogs,
                m_shell,
                m_engine,
                programDir(),
                [dir = programDir()](const QString& key) { return ReadSetting(dir, QStringLiteral("fenye"), key); },
                [this] { return !m_engine.location().isEmpty(); }};
    }

    QTextStream m_out;
    QTextStream m_err;
    QString m_programDir;
    DesktopShell m_shell;
    NativeWordEngine m_engine;
};

} // namespace

bool isCommandLine(const QStringList& args) {
    static const QStringList kCommands{"compose", "print", "--help", "-h", "help", "--version"};
    return args.size() > 1 && kCommands.contains(args[1]);
}

int runCommandLine(const QStringList& args) {
    const std::unique_ptr<QGuiApplication> app = ensureApplication();
    Runner runner;
    const QString command = args.value(1);
    const Options options = parse(args);
    if (!options.error.isEmpty())
        return runner.usageError(options.error);
    if (command == "compose")
        return runner.compose(options);
    if (command == "print")
        return runner.print(options);
    if (command == "--help" || command == "-h" || command == "help")
        return runner.help();
    if (command == "--version")
        return runner.version();
    return runner.usageError(QStringLiteral("不认识的命令 %1").arg(command));
}

} // namespace transcript
