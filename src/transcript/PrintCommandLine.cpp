// printCommand: the print of a chosen file through the same work as the print menu command.
#include "transcript/PrintCommandLine.h"

#include "transcript/ConsoleDialogs.h"
#include "transcript/NativeWordEngine.h"
#include "transcript/TranscriptPrint.h"
#include "transcript/Usage.h"

#include "transcript/word/Printing.h"

#include "platform/ProgramDir.h"
#include "platform/Settings.h"
#include "platform/Shell.h"

#include <QFileInfo>
#include <QTextStream>

#include <cstdio>

namespace transcript {

int printCommand(const QStringList& arguments, const JournalFactory& journal) {
    QStringList files;
    QString printer;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == "--printer") {
            if (i + 1 >= arguments.size())
                return usageError(QStringLiteral("%1 后面缺少参数").arg(a));
            printer = arguments[++i];
        } else if (a.startsWith("--")) {
            return usageError(QStringLiteral("不认识的选项 %1").arg(a));
        } else {
            files << a;
        }
    }
    if (files.size() != 1)
        return usageError(QStringLiteral("print 需要一个要打印的文件"));

    QTextStream out(stdout);
    QTextStream err(stderr);
    const QString programDir = programdir::resolveForCommand();
    ConsoleDialogs dialogs(err, Dialogs::Answer::No);
    DesktopShell shell;
    NativeWordEngine engine(&word::pageRenderer());
    const std::unique_ptr<ArchiveJournal> journalOfDir = journal(programDir);
    CommandEnv env{dialogs,
                   engine,
                   programDir,
                   [programDir](const QString& key) {
                       return ReadSetting(programDir, QLatin1String(setting::kFooterSection), key);
                   },
                   [&engine] { return !engine.location().isEmpty(); },
                   *journalOfDir};
    const std::optional<QString> status =
        printChosenFile(QFileInfo(files.first()).absoluteFilePath(), env, shell, {printer, QString()});
    if (!status)
        return 1;
    out << *status << Qt::endl;
    return 0;
}

} // namespace transcript
