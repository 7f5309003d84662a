// One version of an inquiry as it goes to the office archive: its fields, its files with their
// fingerprints and where their bytes come from, its custody-log lines and its search text.
#pragma once

#include "archive/InquiryFacts.h"
#include "office/Outbox.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>

namespace office {

struct VersionFile {
    QString name;
    archive::FileKind kind = archive::FileKind::Template;
    // The fingerprint the desktop vouches for: the one recorded at the event or in the file's
    // sidecar, or the file's SHA-256 found now when it has none.
    QString sha256;
    qint64 size = -1;
    archive::FileState state = archive::FileState::Missing;
    // Whether the bytes go to the server, and which: a copy in memory, else the file at path,
    // whose SHA-256 is content.
    bool store = false;
    QByteArray copy;
    bool hasCopy = false;
    QString path;
    QString content;
};

struct Version {
    qint64 outboxId = 0;
    QString key;
    QString inquiry;
    QString event;
    QString time;
    QString host;
    QString user;
    archive::InquiryFacts facts;
    int recordings = 0;
    int captures = 0;
    archive::InquiryState state = archive::InquiryState::AllMatch;
    QString search;
    QStringList grams;
    QList<VersionFile> files;
    QList<QByteArray> custodyLines;
};

// The version an outbox item describes, its files found in the program directory. Evidence larger
// than evidenceLimit bytes (negative: no limit) keeps its bytes on the desktop. stop ends the
// reading of a large file. Fails when the index cannot give the version's custody lines: a version
// pushed without them would stand on the server as complete.
archive::sql::Error versionOf(const OutboxItem& item, Outbox& outbox, const QString& programDir, qint64 evidenceLimit,
                              const std::atomic_bool& stop, Version* version);

// Why the server could never store the version: a field (named by its key) or file name holding a
// NUL, which PostgreSQL's texts cannot hold; empty when there is none.
QString unstorable(const Version& version);

} // namespace office
