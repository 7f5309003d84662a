// The office archive's outbox: the versions of inquiries that wait to be pushed, in tables of
// archive.sqlite beside the index. It is fed from custody.log, which every command writes and syncs
// before it reports its work done: each event that changed an inquiry's files (a save, a download, a
// recording or capture, a link) is one version, keyed by the SHA-256 of its log line. What the log
// holds and the outbox has not taken yet is taken at the next catch-up, so a program killed or a
// power cut between the two loses nothing; the position read and the versions taken commit together.
#pragma once

#include "archive/CustodyLog.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace office {

struct OutboxFile {
    QString name; // as the index stores it
    archive::FileKind kind = archive::FileKind::Template;
    // The SHA-256 the log line records for it; empty when the line does not name it.
    QString sha256;
    // The template's or document's bytes as they were when the version was taken, when they
    // matched the line; a later save overwrites the file itself.
    QByteArray copy;
    bool hasCopy = false;
};

// A file of a version, without a copy.
OutboxFile outboxFile(const QString& name, archive::FileKind kind, const QString& sha256);

struct OutboxItem {
    qint64 id = 0;
    QString key; // 64 hex digits
    QString inquiry;
    QString event; // the log's name for it; "current" for an inquiry taken as BL/ holds it
    QString time;  // ISO 8601 with the zone
    QString host;
    QString user;
    // The custody-log lines of the inquiry before this offset belong to the version.
    qint64 lineEnd = 0;
    QList<OutboxFile> files;
    int tries = 0;
    QString failure; // why the last push of this version alone failed
};

// The tries of a version set aside.
constexpr int kSetAside = -1;

class Outbox {
public:
    explicit Outbox(QString programDir);

    // The intake (OutboxIntake.cpp). Takes what custody.log recorded since the last catch-up. The first time (no
    // position kept: a new office archive, or an index lost and replaced), the whole log is read, and every inquiry in
    // BL/ whose template no logged event holds as it is now is taken as it is.
    archive::sql::Error catchUp(int* added = nullptr);
    // The queue (Outbox.cpp).
    archive::sql::Error waiting(int* count);
    // The oldest waiting versions, at most max of them and about byteBudget bytes of copies.
    archive::sql::Error next(int max, qint64 byteBudget, QList<OutboxItem>* items);
    // Versions the server holds now.
    archive::sql::Error done(const QList<qint64>& ids);
    archive::sql::Error failed(qint64 id, const QString& why);
    // A version the server refuses for good: kept with why, no longer pushed nor counted as waiting.
    archive::sql::Error setAside(qint64 id, const QString& why);

    // A file's SHA-256 as last read at this size and time, so that large evidence is not read
    // again for every version that lists it; empty when not known.
    QString knownDigest(const QString& name, const archive::Stamp& stamp);
    void rememberDigest(const QString& name, const archive::Stamp& stamp, const QString& sha256);

    archive::Index& index() { return m_index; }

private:
    archive::sql::Error ready();
    // The connection's last failure, cleared.
    archive::sql::Error taken();
    // Within a transaction.
    bool take(const archive::CustodyEntry& entry, const QString& key, qint64 lineEnd);
    bool takeCurrent(const QString& templatePath, qint64 lineEnd);
    bool store(const OutboxItem& item);

    QString m_programDir;
    archive::Index m_index;
};

// The SHA-256 of bytes as 64 lower-case hex digits.
QString sha256Of(const QByteArray& bytes);

} // namespace office
