// Time marks read back from the custody log, where each recording's entry carries the marks noted
// while it ran, so that they are as lasting as the log and need no key of the template.
#include "archive/TimeMarkList.h"

#include "archive/Archive.h"
#include "archive/CommandLine.h"
#include "archive/CustodyLog.h"

#include "transcript/Usage.h"

#include "platform/ProgramDir.h"

#include <QFileInfo>
#include <QTextStream>

namespace archive {

QList<RecordingMark> marksIn(const QList<QByteArray>& lines, const QSet<QString>& linked) {
    QList<RecordingMark> marks;
    for (const QByteArray& line : lines) {
        const std::optional<CustodyEntry> entry = CustodyEntry::parse(line);
        if (!entry || entry->files.size() != 1 || !linked.contains(entry->files.first().name) ||
            (entry->event != custody::kRecordingSaved && entry->event != custody::kCaptureFinished))
            continue;
        for (const auto& [key, value] : entry->details)
            if (key == timemarks::kDetail)
                for (const timemarks::Mark& mark : timemarks::parseDetail(value))
                    marks << RecordingMark{mark.line, entry->files.first().name, mark.seconds};
    }
    return marks;
}

QList<RecordingMark> marksOf(Archive& archive, const QString& inquiry) {
    QSet<QString> linked;
    for (const FileRow& file : archive.files(inquiry))
        if (file.how != LinkHow::Unlinked && (file.kind == FileKind::Recording || file.kind == FileKind::Capture))
            linked.insert(file.name);
    return marksIn(archive.custodyLines(inquiry), linked);
}

QString marksText(const QList<RecordingMark>& marks) {
    QString text;
    for (const RecordingMark& mark : marks)
        text += timemarks::listedFields(mark).join(u'\t') + u'\n';
    return text;
}

int marksCommand(const QStringList& arguments) {
    if (arguments.size() != 1 || arguments.first().startsWith(QLatin1String("--")))
        return transcript::usageError(QStringLiteral("marks 要给出一个笔录模板文件"));
    const QFileInfo templateFile(arguments.first());
    QTextStream err(stderr);
    if (!templateFile.isFile()) {
        err << QStringLiteral("笔录模板 %1 不存在").arg(arguments.first()) << Qt::endl;
        return 1;
    }
    const std::unique_ptr<Archive> archive = consoleArchive(programdir::resolveForCommand());
    archive->refresh();
    const QString text = marksText(marksOf(*archive, templateFile.completeBaseName()));
    QTextStream(stdout) << text;
    // An index that could not be read has been named on standard error.
    return archive->lastSyncError().ok() ? 0 : 1;
}

} // namespace archive
