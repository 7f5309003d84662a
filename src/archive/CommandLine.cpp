// The archive's commands, on an archive whose work is done at once.
#include "archive/CommandLine.h"

#include "archive/CustodyLog.h"

#include "transcript/Usage.h"

#include "platform/ProgramDir.h"

#include <QTextStream>

#include <cstdio>

namespace archive {

namespace {

int listInquiries(Archive& archive, const QStringList& words) {
    archive.refresh();
    QTextStream out(stdout);
    QTextStream err(stderr);
    for (const InquiryRow& row : archive.search({words.join(u' '), {}, {}})) {
        out << inquiryLine(row) << '\n';
        if (!row.problem.isEmpty())
            err << QStringLiteral("笔录模板 %1.ini：%2").arg(row.name, row.problem) << Qt::endl;
    }
    out.flush();
    // An index that could not be read or brought up to date has been named on standard error.
    return archive.lastSyncError().ok() ? 0 : 1;
}

} // namespace

QString inquiryLine(const InquiryRow& row) {
    return QStringList{row.date, row.interviewee, row.unit, row.place, QString::number(row.pairs), row.name}.join(
        u'\t');
}

std::unique_ptr<Archive> consoleArchive(const QString& programDir) {
    auto archive = std::make_unique<Archive>(programDir, Archive::Work::AtOnce, [](const QString& text) {
        QTextStream(stderr) << QStringLiteral("提示：") << text << Qt::endl;
    });
    QObject::connect(archive.get(), &Archive::statusNote,
                     [](const QString& text) { QTextStream(stderr) << text << Qt::endl; });
    return archive;
}

int archiveCommand(const QStringList& arguments) {
    for (const QString& word : arguments)
        if (word.startsWith(QLatin1String("--")) && arguments != QStringList{QStringLiteral("--rebuild")})
            return transcript::usageError(QStringLiteral("archive 不认识的选项 %1").arg(word));
    const std::unique_ptr<Archive> archive = consoleArchive(programdir::resolveForCommand());
    if (!arguments.isEmpty() && arguments.first() == QLatin1String("--rebuild")) {
        archive->rebuild();
        return archive->lastSyncError().ok() ? 0 : 1;
    }
    return listInquiries(*archive, arguments);
}

int logCommand(const QStringList& arguments) {
    if (arguments != QStringList{QStringLiteral("verify")})
        return transcript::usageError(QStringLiteral("log 只有 verify 一个命令"));
    return verifyCommand(programdir::resolveForCommand());
}

} // namespace archive
