// The statements of a push, each prepared once per connection; the server's triggers fill in the
// unit, the version's id and who pushed it.
#include "archive/office/Push.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>

namespace archive::office {

namespace {

// Contents go in pieces of this size, so that neither side holds a large capture whole.
constexpr qint64 kPiece = 4 * 1024 * 1024;

Error addPiece(pg::Connection& connection, const QString& sha256, int seq, const QByteArray& piece) {
    return connection.run("INSERT INTO quillon.blob_chunk(unit, sha256, seq, data) VALUES('', $1, $2, $3)",
                          {pg::text(sha256), pg::number(seq), pg::bytes(piece)});
}

// The file's bytes as pieces; they must be the bytes the version vouches for, else the file changed
// since it was fingerprinted and the push is given up, to be tried again with what it is then.
Error addContent(pg::Connection& connection, const VersionFile& file, const std::atomic_bool& stop) {
    if (file.hasCopy) {
        for (qint64 at = 0, seq = 0; at < file.copy.size() || seq == 0; at += kPiece, ++seq)
            if (Error error = addPiece(connection, file.content, int(seq), file.copy.mid(at, kPiece)); !error)
                return error;
        return {};
    }
    QFile source(file.path);
    if (!source.open(QIODevice::ReadOnly))
        return {Failure::Other, QStringLiteral("读不了文件 %1：%2").arg(file.name, source.errorString())};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    int seq = 0;
    for (;;) {
        if (stop)
            return {Failure::Stopped, {}};
        const QByteArray piece = source.read(kPiece);
        if (source.error() != QFileDevice::NoError)
            return {Failure::Other, QStringLiteral("读不了文件 %1：%2").arg(file.name, source.errorString())};
        if (piece.isEmpty() && seq > 0)
            break;
        hash.addData(piece);
        if (Error error = addPiece(connection, file.content, seq++, piece); !error)
            return error;
        if (piece.isEmpty())
            break;
    }
    if (QString::fromLatin1(hash.result().toHex()) != file.content)
        return {Failure::Other, QStringLiteral("文件 %1 在推送时被改动了，稍后再推送").arg(file.name)};
    return {};
}

Error addFile(pg::Connection& connection, qint64 versionId, const VersionFile& file, const std::atomic_bool& stop) {
    if (file.store) {
        pg::Result made;
        // A content the unit holds already, or that another desktop is pushing right now, is not
        // sent again: the conflict waits for the other transaction and then says which it was.
        if (Error error = connection.run("INSERT INTO quillon.blob(unit, sha256, size) VALUES('', $1, $2) ON CONFLICT "
                                         "DO NOTHING RETURNING sha256",
                                         {pg::text(file.content), pg::number(file.size)}, &made);
            !error)
            return error;
        if (made.rows() == 1)
            if (Error error = addContent(connection, file, stop); !error)
                return error;
    }
    return connection.run(
        "INSERT INTO quillon.version_file(version_id, unit, name, kind, sha256, size, state, content) "
        "VALUES($1, '', $2, $3, $4, $5, $6, $7)",
        {pg::number(versionId), pg::text(file.name), pg::number(int(file.kind)), pg::text(file.sha256),
         pg::number(file.size), pg::number(int(file.state)), file.store ? pg::text(file.content) : pg::nullParam()});
}

QStringList linesOf(const QList<QByteArray>& lines) {
    QStringList texts;
    for (const QByteArray& line : lines)
        texts << QString::fromUtf8(line);
    return texts;
}

Error pushInside(pg::Connection& connection, const Version& v, const std::atomic_bool& stop, bool* known) {
    const InquiryFacts& f = v.facts;
    const QString savedAt =
        v.time.isEmpty() ? QDateTime::currentDateTime().toOffsetFromUtc(0).toString(Qt::ISODate) : v.time;
    pg::Result made;
    if (Error error = connection.run(
            "INSERT INTO quillon.version(id, unit, key, name, event, saved_at, host, desktop_user, pushed_by, "
            "pushed_at, "
            "fields, problem, date, starts, ends, interviewee, work_unit, place, inspector, pairs, recordings, "
            "captures, "
            "state, search, grams) VALUES(0, '', $1, $2, $3, $4, $5, $6, current_user, now(), $7, $8, $9, $10, $11, "
            "$12, $13, $14, $15, $16, $17, $18, $19, $20, $21) ON CONFLICT (unit, key) DO NOTHING RETURNING id",
            {pg::text(v.key),
             pg::text(v.inquiry),
             pg::text(v.event),
             pg::text(savedAt),
             pg::text(v.host),
             pg::text(v.user),
             pg::text(fieldsJsonOf(f.record)),
             pg::text(f.problem),
             f.date.isEmpty() ? pg::nullParam() : pg::text(f.date),
             pg::text(f.starts),
             pg::text(f.ends),
             pg::text(f.interviewee()),
             pg::text(f.unit()),
             pg::text(f.place()),
             pg::text(f.inspector()),
             pg::number(f.pairs),
             pg::number(v.recordings),
             pg::number(v.captures),
             pg::number(int(v.state)),
             pg::text(v.search),
             pg::textArray(v.grams)},
            &made);
        !error)
        return error;
    if (known)
        *known = made.rows() == 0;
    if (made.rows() == 0)
        return {};
    const qint64 id = made.number(0, 0);
    for (const VersionFile& file : v.files)
        if (Error error = addFile(connection, id, file, stop); !error)
            return error;
    return connection.run("INSERT INTO quillon.custody(version_id, unit, seq, line) SELECT $1, '', n - 1, line FROM "
                          "unnest($2::text[]) WITH ORDINALITY AS t(line, n)",
                          {pg::number(id), pg::textArray(linesOf(v.custodyLines))});
}

} // namespace

Error pushVersions(pg::Connection& connection, const QList<Version>& versions, const std::atomic_bool& stop) {
    if (Error error = connection.exec("BEGIN"); !error)
        return error;
    for (const Version& version : versions) {
        bool known = false;
        if (Error error = pushInside(connection, version, stop, &known); !error) {
            // A broken connection has ended the transaction on the server already.
            if (connection.isOpen())
                connection.exec("ROLLBACK");
            return error;
        }
    }
    // The deferred check that every content is whole runs here; its failure is the push's.
    return connection.exec("COMMIT");
}

Error pushVersion(pg::Connection& connection, const Version& version, const std::atomic_bool& stop, bool* known) {
    if (Error error = connection.exec("BEGIN"); !error)
        return error;
    if (Error error = pushInside(connection, version, stop, known); !error) {
        if (connection.isOpen())
            connection.exec("ROLLBACK");
        return error;
    }
    return connection.exec("COMMIT");
}

} // namespace archive::office
