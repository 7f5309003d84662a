// Search asks the server's quillon.search for the latest versions holding the words, and reads their
// rows through the row-level policies.
#include "office/OfficeSearch.h"

#include "archive/SearchText.h"
#include "office/Grams.h"

#include "platform/DurableFile.h"

#include <QCryptographicHash>
#include <QRegularExpression>

using namespace archive;

namespace office {

namespace {

constexpr char kFound[] =
    "SELECT v.name, coalesce(v.date::text, ''), v.starts, v.ends, v.interviewee, v.work_unit, "
    "v.place, v.inspector, v.pairs, v.recordings, v.captures, v.state, v.problem, i.unit, v.id, "
    "i.versions FROM quillon.search($1, $2::text[], $3::text[]) WITH ORDINALITY AS f(id, n) "
    "JOIN quillon.version v ON v.id = f.id JOIN quillon.inquiry i ON i.latest = v.id ORDER BY f.n";

OfficeRow officeRowOf(const pg::Result& r, int i) {
    OfficeRow row;
    row.row = {r.text(i, 0),        r.text(i, 1),        r.text(i, 2),         r.text(i, 3),
               r.text(i, 4),        r.text(i, 5),        r.text(i, 6),         r.text(i, 7),
               int(r.number(i, 8)), int(r.number(i, 9)), int(r.number(i, 10)), InquiryState(r.number(i, 11)),
               r.text(i, 12)};
    row.officeUnit = r.text(i, 13);
    row.version = r.number(i, 14);
    row.versions = int(r.number(i, 15));
    return row;
}

} // namespace

Error searchOffice(pg::Connection& connection, const QString& typed, int limit, QList<OfficeRow>* rows) {
    rows->clear();
    const QStringList words =
        search::normalized(typed).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    QStringList wanted;
    for (const QString& word : words)
        wanted << wordGrams(word);
    pg::Result found;
    const Error error =
        connection.run(kFound, {pg::number(limit), pg::textArray(words), pg::textArray(wanted)}, &found);
    if (!error)
        return error;
    for (int i = 0; i < found.rows(); ++i)
        rows->append(officeRowOf(found, i));
    return {};
}

Error versionsOf(pg::Connection& connection, const QString& officeUnit, const QString& inquiry,
                 QList<OfficeVersion>* versions) {
    versions->clear();
    pg::Result found;
    if (Error error = connection.run("SELECT id, event, saved_at, host, desktop_user, pushed_by FROM quillon.version "
                                     "WHERE unit = $1 AND name = $2 ORDER BY saved_at, id",
                                     {pg::text(officeUnit), pg::text(inquiry)}, &found);
        !error)
        return error;
    for (int i = 0; i < found.rows(); ++i)
        versions->append({found.number(i, 0), found.text(i, 1), found.text(i, 2), found.text(i, 3), found.text(i, 4),
                          found.text(i, 5)});
    return {};
}

Error filesOf(pg::Connection& connection, qint64 version, QList<OfficeFile>* files) {
    files->clear();
    pg::Result found;
    if (Error error = connection.run("SELECT name, kind, sha256, size, state, content IS NOT NULL FROM "
                                     "quillon.version_file WHERE version_id = $1 ORDER BY kind, name",
                                     {pg::number(version)}, &found);
        !error)
        return error;
    for (int i = 0; i < found.rows(); ++i)
        files->append({found.text(i, 0), FileKind(found.number(i, 1)), found.text(i, 2), found.number(i, 3),
                       FileState(found.number(i, 4)), found.text(i, 5) == QLatin1String("t")});
    return {};
}

Error custodyOf(pg::Connection& connection, qint64 version, QList<QByteArray>* lines) {
    lines->clear();
    pg::Result found;
    if (Error error = connection.run("SELECT line FROM quillon.custody WHERE version_id = $1 ORDER BY seq",
                                     {pg::number(version)}, &found);
        !error)
        return error;
    for (int i = 0; i < found.rows(); ++i)
        lines->append(found.bytes(i, 0));
    return {};
}

Error fetchFile(pg::Connection& connection, qint64 version, const QString& name, const QString& target,
                const std::atomic_bool& stop) {
    pg::Result file;
    if (Error error =
            connection.run("SELECT unit, content FROM quillon.version_file WHERE version_id = $1 AND name = $2",
                           {pg::number(version), pg::text(name)}, &file);
        !error)
        return error;
    if (file.rows() == 0)
        return {Failure::Other, QStringLiteral("服务器上没有这一版的文件 %1（或无权查看）").arg(name)};
    if (file.isNull(0, 1))
        return {Failure::Other, QStringLiteral("文件 %1 的内容留在了推送它的电脑上，服务器只有它的指纹").arg(name)};
    const QString unit = file.text(0, 0);
    const QString sha256 = file.text(0, 1);
    durable::FileWriter out(target);
    if (const durable::Result opened = out.open(); !opened)
        return {Failure::Other, QStringLiteral("写不了 %1：%2").arg(target, opened.text())};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    durable::Result written;
    Error error = connection.stream("SELECT data FROM quillon.blob_chunk WHERE unit = $1 AND sha256 = $2 ORDER BY seq",
                                    {pg::text(unit), pg::text(sha256)}, [&](const pg::Result& row) {
                                        const QByteArray piece = row.bytes(0, 0);
                                        hash.addData(piece);
                                        written = out.write(piece);
                                        return written.ok() && !stop;
                                    });
    if (error.ok() && stop)
        error = {Failure::Stopped, {}};
    if (error.ok() && !written.ok())
        error = {Failure::Other, QStringLiteral("写不了 %1：%2").arg(target, written.text())};
    if (error.ok() && QString::fromLatin1(hash.result().toHex()) != sha256)
        error = {Failure::Other, QStringLiteral("从服务器取回的 %1 与它的指纹不符").arg(name)};
    if (error.ok())
        if (const durable::Result committed = out.commit(); !committed)
            error = {Failure::Other, QStringLiteral("写不了 %1：%2").arg(target, committed.text())};
    if (!error.ok())
        out.discard();
    return error;
}

} // namespace office
