// The statements of a push, each prepared once per connection and each adding the rows of every
// version of a batch at once; the server's triggers fill in the unit, the version's id and who pushed it.
#include "office/Push.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QMap>

using namespace archive;

namespace office {

namespace {

// Contents go in pieces of this size, so that neither side holds a large capture whole.
constexpr qint64 kPiece = 4 * 1024 * 1024;
// The pieces of contents held in memory go to the server together, up to about this much at once.
constexpr qint64 kPiecesAtOnce = 4 * kPiece;

Error addPiece(pg::Connection& connection, const QString& sha256, int seq, const QByteArray& piece) {
    return connection.run("INSERT INTO quillon.blob_chunk(unit, sha256, seq, data) VALUES('', $1, $2, $3)",
                          {pg::text(sha256), pg::number(seq), pg::bytes(piece)});
}

// The file's bytes as pieces; they must be the bytes the version vouches for, else the file changed
// since it was fingerprinted and the push is given up, to be tried again with what it is then.
Error addContent(pg::Connection& connection, const VersionFile& file, const std::atomic_bool& stop) {
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

QStringList numbers(const QList<qint64>& values) {
    QStringList texts;
    for (const qint64 value : values)
        texts << QString::number(value);
    return texts;
}

// The versions' rows, one statement for all. ids: what the server gave each, in order; 0 for a
// version it held already or that comes twice in the batch.
Error addVersions(pg::Connection& connection, const QList<Version>& versions, QList<qint64>* ids) {
    QStringList key, name, event, savedAt, host, user, fields, problem, date, starts, ends, interviewee, unit, place,
        inspector, search, grams;
    QList<qint64> pairs, recordings, captures, state;
    for (const Version& v : versions) {
        const InquiryFacts& f = v.facts;
        key << v.key;
        name << v.inquiry;
        event << v.event;
        savedAt << (v.time.isEmpty() ? QDateTime::currentDateTime().toOffsetFromUtc(0).toString(Qt::ISODate) : v.time);
        host << v.host;
        user << v.user;
        fields << fieldsJsonOf(f.record);
        problem << f.problem;
        date << f.date;
        starts << f.starts;
        ends << f.ends;
        interviewee << f.interviewee();
        unit << f.unit();
        place << f.place();
        inspector << f.inspector();
        pairs << f.pairs;
        recordings << v.recordings;
        captures << v.captures;
        state << int(v.state);
        search << v.search;
        grams << QString::fromUtf8(pg::textArray(v.grams).value);
    }
    pg::Result made;
    if (Error error = connection.run(
            "INSERT INTO quillon.version(id, unit, key, name, event, saved_at, host, desktop_user, pushed_by, "
            "pushed_at, fields, problem, date, starts, ends, interviewee, work_unit, place, inspector, pairs, "
            "recordings, captures, state, search, grams) "
            "SELECT 0, '', t.key, t.name, t.event, t.saved_at::timestamptz, t.host, t.desktop_user, current_user, "
            "now(), t.fields::jsonb, t.problem, nullif(t.date, '')::date, t.starts, t.ends, t.interviewee, "
            "t.work_unit, t.place, t.inspector, t.pairs, t.recordings, t.captures, t.state, t.search, t.grams::text[] "
            "FROM unnest($1::text[], $2::text[], $3::text[], $4::text[], $5::text[], $6::text[], $7::text[], "
            "$8::text[], $9::text[], $10::text[], $11::text[], $12::text[], $13::text[], $14::text[], $15::text[], "
            "$16::int[], $17::int[], $18::int[], $19::int[], $20::text[], $21::text[]) WITH ORDINALITY "
            "AS t(key, name, event, saved_at, host, desktop_user, fields, problem, date, starts, ends, interviewee, "
            "work_unit, place, inspector, pairs, recordings, captures, state, search, grams, n) "
            "ORDER BY t.n ON CONFLICT (unit, key) DO NOTHING RETURNING id, key",
            {pg::textArray(key),
             pg::textArray(name),
             pg::textArray(event),
             pg::textArray(savedAt),
             pg::textArray(host),
             pg::textArray(user),
             pg::textArray(fields),
             pg::textArray(problem),
             pg::textArray(date),
             pg::textArray(starts),
             pg::textArray(ends),
             pg::textArray(interviewee),
             pg::textArray(unit),
             pg::textArray(place),
             pg::textArray(inspector),
             pg::textArray(numbers(pairs)),
             pg::textArray(numbers(recordings)),
             pg::textArray(numbers(captures)),
             pg::textArray(numbers(state)),
             pg::textArray(search),
             pg::textArray(grams)},
            &made);
        !error)
        return error;
    QHash<QString, qint64> given;
    for (int i = 0; i < made.rows(); ++i)
        given.insert(made.text(i, 1), made.number(i, 0));
    ids->clear();
    for (const Version& v : versions)
        ids->append(given.take(v.key));
    return {};
}

// The contents the unit does not hold yet, and the pieces of those this transaction adds: those in
// memory in one statement, files on disk piece by piece. A content the unit holds already, or that
// another desktop is pushing right now, is not sent again: the conflict waits for the other
// transaction and then says which it was. The rows go in the order of their fingerprints, so that
// two desktops pushing the same contents wait for each other without a deadlock.
Error addContents(pg::Connection& connection, const QList<const VersionFile*>& files, const std::atomic_bool& stop) {
    QMap<QString, const VersionFile*> bySha;
    for (const VersionFile* file : files)
        bySha.insert(file->content, file);
    if (bySha.isEmpty())
        return {};
    QStringList shas;
    QList<qint64> sizes;
    for (auto it = bySha.cbegin(); it != bySha.cend(); ++it) {
        shas << it.key();
        sizes << it.value()->size;
    }
    pg::Result made;
    if (Error error = connection.run("INSERT INTO quillon.blob(unit, sha256, size) SELECT '', t.sha256, t.size FROM "
                                     "unnest($1::text[], $2::bigint[]) AS t(sha256, size) ORDER BY t.sha256 ON "
                                     "CONFLICT DO NOTHING RETURNING sha256",
                                     {pg::textArray(shas), pg::textArray(numbers(sizes))}, &made);
        !error)
        return error;
    QStringList pieceSha;
    QList<qint64> pieceSeq;
    QList<QByteArray> pieces;
    qint64 held = 0;
    const auto send = [&]() -> Error {
        if (pieces.isEmpty())
            return {};
        const Error error =
            connection.run("INSERT INTO quillon.blob_chunk(unit, sha256, seq, data) SELECT '', t.sha256, t.seq, "
                           "t.data FROM unnest($1::text[], $2::int[], $3::bytea[]) AS t(sha256, seq, data)",
                           {pg::textArray(pieceSha), pg::textArray(numbers(pieceSeq)), pg::bytesArray(pieces)});
        pieceSha.clear();
        pieceSeq.clear();
        pieces.clear();
        held = 0;
        return error;
    };
    for (int i = 0; i < made.rows(); ++i) {
        const VersionFile* file = bySha.value(made.text(i, 0));
        if (!file->hasCopy) {
            if (Error error = addContent(connection, *file, stop); !error)
                return error;
            continue;
        }
        for (qint64 at = 0, seq = 0; at < file->copy.size() || seq == 0; at += kPiece, ++seq) {
            pieceSha << file->content;
            pieceSeq << seq;
            pieces << file->copy.mid(at, kPiece);
            held += pieces.last().size();
            if (held >= kPiecesAtOnce)
                if (Error error = send(); !error)
                    return error;
        }
    }
    return send();
}

// The batch in as few statements as its rows allow: versions, contents, files, custody lines.
Error pushInside(pg::Connection& connection, const QList<Version>& versions, const std::atomic_bool& stop, int* added) {
    QList<qint64> ids;
    if (Error error = addVersions(connection, versions, &ids); !error)
        return error;
    QList<const VersionFile*> stored;
    QList<qint64> fileVersion, lineVersion, kind, size, state, seq;
    QStringList fileName, sha256, content, lines;
    *added = 0;
    for (qsizetype i = 0; i < versions.size(); ++i) {
        if (ids[i] == 0)
            continue;
        ++*added;
        for (const VersionFile& file : versions[i].files) {
            if (file.store)
                stored << &file;
            fileVersion << ids[i];
            fileName << file.name;
            kind << int(file.kind);
            sha256 << file.sha256;
            size << file.size;
            state << int(file.state);
            content << (file.store ? file.content : QString());
        }
        for (qsizetype n = 0; n < versions[i].custodyLines.size(); ++n) {
            lineVersion << ids[i];
            seq << n;
            lines << QString::fromUtf8(versions[i].custodyLines[n]);
        }
    }
    if (Error error = addContents(connection, stored, stop); !error)
        return error;
    if (!fileVersion.isEmpty())
        if (Error error = connection.run(
                "INSERT INTO quillon.version_file(version_id, unit, name, kind, sha256, size, state, content) SELECT "
                "t.version_id, '', t.name, t.kind, t.sha256, t.size, t.state, nullif(t.content, '') FROM "
                "unnest($1::bigint[], $2::text[], $3::int[], $4::text[], $5::bigint[], $6::int[], $7::text[]) AS "
                "t(version_id, name, kind, sha256, size, state, content)",
                {pg::textArray(numbers(fileVersion)), pg::textArray(fileName), pg::textArray(numbers(kind)),
                 pg::textArray(sha256), pg::textArray(numbers(size)), pg::textArray(numbers(state)),
                 pg::textArray(content)});
            !error)
            return error;
    if (lines.isEmpty())
        return {};
    return connection.run("INSERT INTO quillon.custody(version_id, unit, seq, line) SELECT t.version_id, '', t.seq, "
                          "t.line FROM unnest($1::bigint[], $2::int[], $3::text[]) AS t(version_id, seq, line)",
                          {pg::textArray(numbers(lineVersion)), pg::textArray(numbers(seq)), pg::textArray(lines)});
}

Error inTransaction(pg::Connection& connection, const QList<Version>& versions, const std::atomic_bool& stop,
                    int* added) {
    if (Error error = connection.exec("BEGIN"); !error)
        return error;
    if (Error error = pushInside(connection, versions, stop, added); !error) {
        // A broken connection has ended the transaction on the server already.
        if (connection.isOpen())
            connection.exec("ROLLBACK");
        return error;
    }
    // The deferred check that every content is whole runs here; its failure is the push's.
    return connection.exec("COMMIT");
}

} // namespace

Error pushVersions(pg::Connection& connection, const QList<Version>& versions, const std::atomic_bool& stop) {
    int added = 0;
    return inTransaction(connection, versions, stop, &added);
}

Error pushVersion(pg::Connection& connection, const Version& version, const std::atomic_bool& stop, bool* known) {
    int added = 0;
    const Error error = inTransaction(connection, {version}, stop, &added);
    if (error.ok() && known)
        *known = added == 0;
    return error;
}

} // namespace office
