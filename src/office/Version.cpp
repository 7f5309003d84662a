// A version's files checked against what was recorded of them, and its fields from the bytes of
// its template as they were.
#include "office/Version.h"

#include "archive/CustodyLog.h"
#include "archive/Locations.h"
#include "office/Grams.h"

#include "platform/Fingerprint.h"

#include <QFile>

using namespace archive;

namespace office {

namespace {

constexpr qint64 kLargestOwnFile = 64 * 1024 * 1024;

bool isEvidence(FileKind kind) {
    return kind == FileKind::Recording || kind == FileKind::Capture;
}

FileState stateOf(const QString& recorded, const QString& actual) {
    if (actual.isEmpty())
        return FileState::Unreadable;
    if (recorded.isEmpty())
        return FileState::NoFingerprint;
    return actual == recorded ? FileState::Ok : FileState::Changed;
}

// The file as it is on disk now: own files read whole, evidence fingerprinted piece by piece.
VersionFile found(const OutboxFile& file, Outbox& outbox, const QString& programDir, const std::atomic_bool& stop) {
    VersionFile v;
    v.name = file.name;
    v.kind = file.kind;
    v.sha256 = file.sha256;
    v.path = fullPath(programDir, file.name);
    const Stamp stamp = stampOf(v.path);
    const QString recorded = file.sha256.isEmpty() ? QString::fromLatin1(fingerprint::recorded(v.path)) : file.sha256;
    if (!stamp.exists()) {
        v.sha256 = recorded;
        return v;
    }
    v.size = stamp.size;
    QString actual;
    if (!isEvidence(file.kind) && stamp.size <= kLargestOwnFile) {
        QFile source(v.path);
        if (source.open(QIODevice::ReadOnly)) {
            v.copy = source.readAll();
            v.hasCopy = source.error() == QFileDevice::NoError && v.copy.size() == stamp.size;
        }
        if (v.hasCopy)
            actual = sha256Of(v.copy);
        else
            v.copy.clear();
    } else {
        actual = outbox.knownDigest(file.name, stamp);
        if (actual.isEmpty()) {
            actual = QString::fromLatin1(fingerprint::sha256Hex(v.path, nullptr, [&stop](qint64) { return !stop; }));
            if (!actual.isEmpty())
                outbox.rememberDigest(file.name, stamp, actual);
        }
    }
    v.state = stateOf(recorded, actual);
    v.sha256 = recorded.isEmpty() ? actual : recorded;
    v.content = actual;
    return v;
}

} // namespace

sql::Error versionOf(const OutboxItem& item, Outbox& outbox, const QString& programDir, qint64 evidenceLimit,
                     const std::atomic_bool& stop, Version* out) {
    Version version;
    version.outboxId = item.id;
    version.key = item.key;
    version.inquiry = item.inquiry;
    version.event = item.event;
    version.time = item.time;
    version.host = item.host;
    version.user = item.user;
    version.facts.name = item.inquiry;
    bool haveTemplate = false;
    for (const OutboxFile& file : item.files) {
        VersionFile v;
        if (file.hasCopy) {
            v.name = file.name;
            v.kind = file.kind;
            v.sha256 = file.sha256;
            v.size = file.copy.size();
            v.state = FileState::Ok;
            v.copy = file.copy;
            v.hasCopy = true;
            v.content = file.sha256;
        } else {
            v = found(file, outbox, programDir, stop);
        }
        const bool sound = v.state == FileState::Ok || v.state == FileState::NoFingerprint;
        v.store = sound && !(isEvidence(v.kind) && evidenceLimit >= 0 && v.size > evidenceLimit);
        if (!v.store) {
            v.copy.clear();
            v.hasCopy = false;
        }
        if (v.kind == FileKind::Template && !haveTemplate) {
            haveTemplate = true;
            if (sound && v.hasCopy)
                version.facts = inquiryOf(item.inquiry, v.copy);
            else if (v.state == FileState::Missing)
                version.facts.problem = QStringLiteral("模板文件已不在本机");
            else
                version.facts.problem = QStringLiteral("这一版的模板已被之后的保存改写，本机没有留下它的内容");
        }
        if (v.kind == FileKind::Recording)
            ++version.recordings;
        if (v.kind == FileKind::Capture)
            ++version.captures;
        // The worst state wins, as in the local list: a changed file over a missing one.
        const InquiryState fileState = v.state == FileState::Ok        ? InquiryState::AllMatch
                                       : v.state == FileState::Changed ? InquiryState::Changed
                                                                       : InquiryState::Missing;
        version.state = std::max(version.state, fileState);
        version.files.append(v);
    }
    if (!haveTemplate)
        version.facts.problem = QStringLiteral("没有模板文件");
    version.search = searchTextOf(version.facts);
    version.grams = grams(version.search);

    QList<CustodyLineRef> refs;
    if (const sql::Error read = outbox.index().custodyLines(item.inquiry, &refs); !read)
        return read;
    QList<CustodyLineRef> before;
    for (const CustodyLineRef& ref : refs)
        if (ref.offset < item.lineEnd)
            before << ref;
    version.custodyLines = CustodyLog(programDir).lines(before);
    *out = std::move(version);
    return {};
}

QString unstorable(const Version& version) {
    const QChar nul(u'\0');
    for (std::size_t i = 0; i < record::kFields.size(); ++i)
        if (version.facts.record.values[i].contains(nul))
            return QStringLiteral("字段 %1 含有空字符（NUL）")
                .arg(QString::fromUtf8(record::kFields[i].key.name().data(),
                                       qsizetype(record::kFields[i].key.name().size())));
    for (const VersionFile& file : version.files)
        if (file.name.contains(nul))
            return QStringLiteral("文件名含有空字符（NUL）");
    return {};
}

} // namespace office
