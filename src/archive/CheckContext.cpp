// The archive's side of the check: candidates from the index, times from the evidence files.
#include "archive/CheckContext.h"

#include "archive/CommandLine.h"
#include "archive/InquiryFacts.h"
#include "archive/Locations.h"

#include "transcript/Usage.h"

#include "platform/ProgramDir.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <QtEndian>

namespace archive {

namespace {

// The header's words our recorder and capture write: a WAV's bytes a second, an AVI's microseconds a
// picture and its pictures.
constexpr qint64 kWavHeader = 44;
constexpr int kWavByteRate = 28;
constexpr int kAviMicrosecondsPerFrame = 32;
constexpr int kAviFrames = 48;

quint32 wordAt(const QByteArray& header, int offset) {
    return qFromLittleEndian<quint32>(header.constData() + offset);
}

} // namespace

check::Evidence evidenceOf(const QString& path, FileKind kind) {
    check::Evidence evidence{QFileInfo(path).fileName(), {}, {}};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return evidence;
    const QByteArray header = file.read(64);
    const QDateTime written = QFileInfo(file).lastModified();
    if (kind == FileKind::Recording) {
        if (header.size() < kWavHeader || !header.startsWith("RIFF") || wordAt(header, kWavByteRate) == 0)
            return evidence;
        // Pauses are not in the file: the recording began this long before its last samples at the least.
        const qint64 seconds = (file.size() - kWavHeader) / wordAt(header, kWavByteRate);
        evidence.ends = written;
        evidence.starts = written.addSecs(-seconds);
        return evidence;
    }
    evidence.starts = captureStart(evidence.name);
    if (!evidence.starts.isValid() || header.size() < kAviFrames + 4 || !header.startsWith("RIFF"))
        return evidence;
    const qint64 microseconds = qint64(wordAt(header, kAviMicrosecondsPerFrame)) * wordAt(header, kAviFrames);
    // A capture whose header was never finished has run until it was last written.
    evidence.ends = microseconds > 0 ? evidence.starts.addMSecs(microseconds / 1000) : written;
    return evidence;
}

check::Context ArchiveCheckContext::contextOf(const QString& inquiry, const QDate& day) {
    check::Context context;
    if (day.isValid())
        for (const InquiryRow& row : m_archive.search({{}, day, day})) {
            if (row.name == inquiry || row.starts.isEmpty() || row.ends.isEmpty())
                continue;
            const InquiryFacts facts =
                readInquiry(programdir::blDir(m_archive.programDir()) + u'/' + row.name + QStringLiteral(".ini"));
            context.sameDay.append({row.name, QTime::fromString(row.starts, QStringLiteral("HH:mm")),
                                    QTime::fromString(row.ends, QStringLiteral("HH:mm")),
                                    check::officersOf(facts.record)});
        }
    for (const FileRow& file : m_archive.files(inquiry))
        if (file.how != LinkHow::Unlinked && (file.kind == FileKind::Recording || file.kind == FileKind::Capture))
            context.evidence << evidenceOf(fullPath(m_archive.programDir(), file.name), file.kind);
    return context;
}

int checkCommand(const QStringList& arguments) {
    if (arguments.isEmpty())
        return transcript::usageError(QStringLiteral("check 要给出至少一个笔录模板文件"));
    for (const QString& argument : arguments)
        if (argument.startsWith(QLatin1String("--")))
            return transcript::usageError(QStringLiteral("check 不认识的选项 %1").arg(argument));
    const QString programDir = programdir::resolveForCommand();
    const std::unique_ptr<Archive> archive = consoleArchive(programDir);
    archive->refresh();
    ArchiveCheckContext context(*archive);
    const check::Rules rules = check::rulesOf(programDir);
    QTextStream out(stdout);
    QTextStream err(stderr);
    bool found = false;
    for (const QString& path : arguments) {
        const InquiryFacts facts = readInquiry(path);
        if (!facts.problem.isEmpty()) {
            err << QStringLiteral("笔录模板 %1 没有核对：%2").arg(path, facts.problem) << Qt::endl;
            found = true;
            continue;
        }
        const QList<check::Problem> problems =
            check::checkInquiry(facts.record, rules, context.contextOf(facts.name, check::dayOf(facts.record)));
        for (const check::Problem& problem : problems)
            out << path << u'\t' << check::columnOf(problem.field) << u'\t' << problem.text << u'\n';
        found = found || !problems.isEmpty();
    }
    out.flush();
    return found ? 1 : 0;
}

} // namespace archive
