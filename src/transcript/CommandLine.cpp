// The compose command: one template or a batch of them, through the same work as the save command.
#include "transcript/CommandLine.h"

#include "transcript/ConsoleDialogs.h"
#include "transcript/NativeWordEngine.h"
#include "transcript/TemplateFile.h"
#include "transcript/TranscriptCommands.h"
#include "transcript/Usage.h"

#include "platform/DurableFile.h"
#include "platform/Fingerprint.h"
#include "platform/ProgramDir.h"
#include "platform/Settings.h"

#include <QFileInfo>
#include <QHash>
#include <QTextStream>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace transcript {

namespace {

// Saves of a batch that run at once: a save spends most of its time waiting for the disk to sync,
// and the disk syncs the files of several saves together.
constexpr int kBatchSaves = 16;

struct Options {
    QStringList templates;
    QString out;
    QString pdf;
    bool force = false;
    QString error;
};

Options parse(const QStringList& arguments) {
    Options o;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == "--force") {
            o.force = true;
        } else if (a == "--out" || a == "--pdf") {
            if (i + 1 >= arguments.size()) {
                o.error = QStringLiteral("%1 后面缺少参数").arg(a);
                break;
            }
            (a == "--out" ? o.out : o.pdf) = arguments[++i];
        } else if (a.startsWith("--")) {
            o.error = QStringLiteral("不认识的选项 %1").arg(a);
            break;
        } else {
            o.templates << a;
        }
    }
    return o;
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

// A template to compose: where it is, what it holds and where its document goes.
struct Job {
    QString templateFile;
    record::TranscriptRecord record;
    QString document;
};

// What a compose wrote.
struct Composed {
    QString status;
    QString templateFile;
    bool complete = true;
};

class Composer {
public:
    Composer(const QString& programDir, const JournalFactory& journal, const word::PageRenderer* pages)
        : m_programDir(programDir), m_engine(pages), m_journal(journal(programDir)) {}

    // The job of a template; nothing when it is no file, which has been told.
    std::optional<Job> read(const QString& templateFile, const QString& out, Dialogs& dialogs) const {
        if (!QFileInfo(templateFile).isFile()) {
            dialogs.message(QStringLiteral("提示："),
                            QStringLiteral(" 没有选择正确的笔录模板 *.ini文件，模板文件保存在 <%1/> 目录中。")
                                .arg(programdir::blDir(m_programDir)));
            return std::nullopt;
        }
        Job job{templateFile, readTemplate(templateFile), QString()};
        job.document = out.isEmpty() ? documentPath(m_programDir, job.record) : QFileInfo(out).absoluteFilePath();
        return job;
    }

    // Composes and saves a job, the PDF too when one is named; nothing when refused or failed, which
    // has been told. Safe to run for different documents on several threads at once.
    std::optional<Composed> compose(Job& job, const QString& pdf, bool force, Dialogs& dialogs) {
        if (const QString clash =
                sameFiles(job.templateFile, templatePath(m_programDir, job.record), job.document, pdf);
            !clash.isEmpty()) {
            dialogs.message(texts::kHint, clash);
            return std::nullopt;
        }
        if (QFileInfo::exists(job.document) && !force) {
            dialogs.message(texts::kHint,
                            texts::kOverwrite + QStringLiteral("(<%1>，加 --force 覆盖)").arg(job.document));
            return std::nullopt;
        }
        CommandEnv env{dialogs,
                       m_engine,
                       m_programDir,
                       [dir = m_programDir](const QString& key) {
                           return ReadSetting(dir, QLatin1String(setting::kFooterSection), key);
                       },
                       [this] { return !m_engine.location().isEmpty(); },
                       *m_journal};
        SaveOptions options;
        options.documentPath = job.document;
        options.recordAs = JournalEvent::Kind::Composed;
        if (!pdf.isEmpty()) {
            options.afterSave = [&](word::DocumentWriter& writer) {
                if (writer.print({QString(), pdf}))
                    return true;
                dialogs.message(
                    QStringLiteral("无法输出PDF："),
                    QStringLiteral(" PDF文件没有生成：<%1> %2 笔录文档和模板已经保存。 ").arg(pdf, writer.lastError()),
                    Dialogs::Buttons::Ok);
                return false;
            };
        }
        const std::optional<SaveResult> saved = saveTranscript(job.record, env, options);
        if (!saved || !saved->saved)
            return std::nullopt;
        return Composed{saved->status, templatePath(m_programDir, job.record), saved->complete};
    }

private:
    QString m_programDir;
    NativeWordEngine m_engine;
    std::unique_ptr<ArchiveJournal> m_journal;
};

int composeOne(const Options& o, const JournalFactory& journal, const word::PageRenderer* pages) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    Composer composer(programdir::resolveForCommand(), journal, pages);
    ConsoleDialogs dialogs(err, Dialogs::Answer::Yes);
    std::optional<Job> job = composer.read(o.templates.first(), o.out, dialogs);
    if (!job)
        return 1;
    const QString pdf = o.pdf.isEmpty() ? QString() : QFileInfo(o.pdf).absoluteFilePath();
    const std::optional<Composed> composed = composer.compose(*job, pdf, o.force, dialogs);
    if (!composed)
        return 1;
    out << composed->status << Qt::endl;
    out << QStringLiteral("笔录文档：") << job->document << Qt::endl;
    out << QStringLiteral("笔录模板：") << composed->templateFile << Qt::endl;
    if (!pdf.isEmpty() && composed->complete)
        out << QStringLiteral("PDF文件：") << pdf << Qt::endl;
    // The transcript is saved, but without the PDF asked for it is no complete result for a script.
    return composed->complete ? 0 : 1;
}

// One line for what became of a template: on standard output when its document was written, on
// standard error when not.
struct Verdict {
    bool written = false;
    QString line;
};

// What dialogs told about one template, as one line after its name.
Verdict refusal(const QString& templateFile, const QString& told) {
    return {false, QStringLiteral("%1：%2").arg(templateFile, told.trimmed().replace(u'\n', u' '))};
}

// The templates in turn on several threads; those with one document in turn on one thread, in the
// order given, so that the outcome is the one of composing them one after the other. One line for
// each template, printed in their order as soon as it and those before it are done.
int composeBatch(const Options& o, const JournalFactory& journal) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    Composer composer(programdir::resolveForCommand(), journal, nullptr);

    std::vector<Verdict> verdicts(std::size_t(o.templates.size()));
    std::vector<bool> done(verdicts.size());
    std::vector<Job> jobs;
    std::vector<std::size_t> jobVerdict;
    QHash<QString, qsizetype> groupOf;
    std::vector<std::vector<std::size_t>> groups;
    for (qsizetype i = 0; i < o.templates.size(); ++i) {
        QString told;
        QTextStream messages(&told);
        ConsoleDialogs dialogs(messages, Dialogs::Answer::Yes);
        std::optional<Job> job = composer.read(o.templates[i], QString(), dialogs);
        if (!job) {
            messages.flush();
            verdicts[std::size_t(i)] = refusal(o.templates[i], told);
            done[std::size_t(i)] = true;
            continue;
        }
        if (!groupOf.contains(job->document)) {
            groupOf.insert(job->document, qsizetype(groups.size()));
            groups.emplace_back();
        }
        groups[std::size_t(groupOf.value(job->document))].push_back(jobs.size());
        jobs.push_back(std::move(*job));
        jobVerdict.push_back(std::size_t(i));
    }

    std::mutex lock;
    std::condition_variable finished;
    std::atomic<std::size_t> nextGroup = 0;
    auto work = [&] {
        for (std::size_t g = nextGroup++; g < groups.size(); g = nextGroup++) {
            for (const std::size_t j : groups[g]) {
                QString told;
                QTextStream messages(&told);
                ConsoleDialogs dialogs(messages, Dialogs::Answer::Yes);
                const std::optional<Composed> composed = composer.compose(jobs[j], QString(), o.force, dialogs);
                messages.flush();
                const QString& templateFile = jobs[j].templateFile;
                Verdict verdict =
                    composed ? Verdict{true, QStringLiteral("%1：笔录文档 %2").arg(templateFile, jobs[j].document)}
                             : refusal(templateFile, told);
                const std::lock_guard guard(lock);
                verdicts[jobVerdict[j]] = std::move(verdict);
                done[jobVerdict[j]] = true;
                finished.notify_all();
            }
        }
    };
    std::vector<std::thread> workers;
    for (std::size_t n = 0; n < std::min<std::size_t>(groups.size(), kBatchSaves); ++n)
        workers.emplace_back(work);

    bool allWritten = true;
    for (std::size_t i = 0; i < verdicts.size(); ++i) {
        Verdict verdict;
        {
            std::unique_lock guard(lock);
            finished.wait(guard, [&] { return bool(done[i]); });
            verdict = verdicts[i];
        }
        (verdict.written ? out : err) << verdict.line << Qt::endl;
        allWritten = allWritten && verdict.written;
    }
    for (std::thread& worker : workers)
        worker.join();
    return allWritten ? 0 : 1;
}

} // namespace

int composeCommand(const QStringList& arguments, const JournalFactory& journal, const word::PageRenderer* pages) {
    const Options o = parse(arguments);
    if (!o.error.isEmpty())
        return usageError(o.error);
    if (o.templates.isEmpty())
        return usageError(QStringLiteral("compose 需要一个模板文件"));
    if (o.templates.size() > 1 && (!o.out.isEmpty() || !o.pdf.isEmpty()))
        return usageError(QStringLiteral("--out 和 --pdf 只能用于一个模板"));
    return o.templates.size() == 1 ? composeOne(o, journal, pages) : composeBatch(o, journal);
}

} // namespace transcript
