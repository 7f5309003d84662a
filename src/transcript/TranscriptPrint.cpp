// Printing: the checks before the print, the composition or the document's reading, the print, close
// and quit, and the office suite for documents the writer cannot read.
#include "transcript/TranscriptPrint.h"

#include "transcript/TemplateFile.h"
#include "transcript/TranscriptSave.h"
#include "transcript/WordEngine.h"

#include "transcript/word/DocReader.h"
#include "transcript/word/Printing.h"

#include "platform/Dialogs.h"
#include "platform/OfficeSuites.h"
#include "platform/Shell.h"

#include <QFileInfo>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QUrl>

namespace transcript {

namespace {

bool print(word::DocumentWriter& writer, Dialogs& dialogs, const QString& caption, const word::PrintTarget& target) {
    if (writer.print(target))
        return true;
    dialogs.message(caption, QStringLiteral(" 打印没有成功：%1 ").arg(writer.lastError()));
    return false;
}

// The journal told of a file printed, with the printer it went to.
void recordPrint(CommandEnv& env, const QString& path, const word::PrintTarget& target) {
    QString printer = target.printerName;
    if (printer.isEmpty())
        printer = target.pdfPath.isEmpty() ? QPrinterInfo::defaultPrinterName() : target.pdfPath;
    env.journal.record({JournalEvent::Kind::Printed,
                        QFileInfo(path).completeBaseName(),
                        {path},
                        {{QStringLiteral("printer"), printer}}});
}

PrintResult failed(Dialogs& dialogs, const QString& caption, const QString& text) {
    dialogs.message(caption, text);
    return PrintResult::Failed;
}

// An installed office suite turns the file into PDF, in a profile of its own so that a suite the
// user has open does not take the work over, and the PDF goes to the printer as one job. The
// suite answers 0 also when it could not load the file: only the PDF shows that it did.
PrintResult printThroughOfficeSuite(const QString& path, CommandEnv& env, Shell& shell, const QString& caption,
                                    const word::PrintTarget& target, const QString& openError) {
    const QStringList converters = officesuite::programs(true);
    if (shell.findProgram(converters).isEmpty())
        return failed(
            env.dialogs, caption,
            QStringLiteral(" 无法打开要打印的文件 <%1> ：%2 也没有可以打印它的办公软件。 ").arg(path, openError));
    QTemporaryDir work;
    if (!work.isValid())
        return failed(env.dialogs, caption, QStringLiteral(" 无法建立临时目录，文件 <%1> 没有打印。 ").arg(path));
    const QString pdfDir = work.filePath(QStringLiteral("pdf"));
    const std::optional<int> exit = shell.runProgram(
        converters,
        {QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(work.filePath("profile")).toString(),
         QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("pdf"),
         QStringLiteral("--outdir"), pdfDir, path},
        120000);
    if (!exit)
        return failed(env.dialogs, caption,
                      QStringLiteral(" 办公软件无法启动或没有按时结束，文件 <%1> 没有打印。 ").arg(path));
    if (*exit != 0)
        return failed(env.dialogs, caption,
                      QStringLiteral(" 办公软件没有正常结束（退出码 %1），文件 <%2> 没有打印。 ").arg(*exit).arg(path));
    const QString pdf = pdfDir + u'/' + QFileInfo(path).completeBaseName() + QStringLiteral(".pdf");
    if (QFileInfo(pdf).size() <= 0)
        return failed(env.dialogs, caption, QStringLiteral(" 办公软件也无法打开文件 <%1> ，没有打印。 ").arg(path));
    QString error;
    if (!word::printPdfFile(pdf, QFileInfo(path).fileName(), target, &error))
        return failed(env.dialogs, caption, QStringLiteral(" 打印没有成功：%1 ").arg(error));
    return PrintResult::HandedToOfficeSuite;
}

} // namespace

std::optional<QString> printTranscript(record::TranscriptRecord& r, CommandEnv& env, const word::PrintTarget& target,
                                       const std::function<void(word::DocumentWriter& writer)>& addPages) {
    const QString caption = QStringLiteral("无法打印：");
    if (!env.findWord()) {
        env.dialogs.message(caption, texts::kNoWord);
        return std::nullopt;
    }
    if (!formComplete(r, env.dialogs, QStringLiteral("笔录没有录入完成，工作单位等资料没有添写.")))
        return std::nullopt;
    TemplateSave templateSave;
    Session session(env.engine);
    if (!compose(session, r, env, templateSave))
        return std::nullopt;
    TranscriptSave save(caption, QString(), templateSave.path(), env.journal, JournalEvent::Kind::Saved);
    if (!report(save.begin(), env.dialogs) || !report(save.stageTemplate(templateSave.bytes()), env.dialogs) ||
        !report(save.commit(), env.dialogs))
        return std::nullopt;
    if (addPages)
        addPages(session.writer());
    if (!print(session.writer(), env.dialogs, caption, target))
        return std::nullopt;
    recordPrint(env, templateSave.path(), target);
    return QStringLiteral("打 印 成 功！");
}

std::optional<QString> printChosenFile(const QString& path, CommandEnv& env, Shell& shell,
                                       const word::PrintTarget& target) {
    const QString caption = QStringLiteral("无法打印：");
    if (!env.findWord()) {
        env.dialogs.message(caption, texts::kNoWord);
        return std::nullopt;
    }
    if (!path.contains(QStringLiteral("doc"))) {
        env.dialogs.message(texts::kHint, QStringLiteral("打印笔录文档选择的不匹配 (要选doc文档).   请重新再选。"));
        return std::nullopt;
    }
    const PrintResult printed = printFile(path, env, shell, caption, target);
    if (printed != PrintResult::Failed)
        recordPrint(env, path, target);
    switch (printed) {
    case PrintResult::Printed:
        return QStringLiteral("打印笔录成功... ");
    case PrintResult::HandedToOfficeSuite:
        return kHandedToOfficeSuite;
    case PrintResult::Failed:
        break;
    }
    return std::nullopt;
}

PrintResult printFile(const QString& path, CommandEnv& env, Shell& shell, const QString& caption,
                      const word::PrintTarget& target) {
    // The printer first: without one no file is worth opening.
    const QString problem = env.engine.printerProblem(target);
    if (!problem.isEmpty())
        return failed(env.dialogs, caption, QStringLiteral(" 打印没有成功：%1 ").arg(problem));
    QString openError;
    {
        Session session(env.engine);
        word::DocumentWriter& writer = session.writer();
        if (writer.start() && writer.connect() && writer.open(path)) {
            writer.hide();
            return print(writer, env.dialogs, caption, target) ? PrintResult::Printed : PrintResult::Failed;
        }
        openError = writer.lastError();
    }
    // A document our reader cannot read may still print from an office suite.
    QFile file(path);
    const QByteArray head = file.open(QIODevice::ReadOnly) ? file.read(1 << 16) : QByteArray();
    if (!target.pdfPath.isEmpty() || !word::officeSuitePrints(head))
        return failed(env.dialogs, caption, QStringLiteral(" 无法打开要打印的文件 <%1> ：%2 ").arg(path, openError));
    return printThroughOfficeSuite(path, env, shell, caption, target, openError);
}

} // namespace transcript
