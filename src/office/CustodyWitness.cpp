// A desktop is known to the server by the fingerprint of its log's first line, and its lines by
// their number: the server's copy is the log as it was when each line went out.
#include "office/CustodyWitness.h"

#include "archive/Locations.h"

#include <QCryptographicHash>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QSysInfo>

namespace office {

namespace {

// Lines sent in one statement, and about how many bytes of them.
constexpr int kLinesAtOnce = 4000;
constexpr qint64 kBytesAtOnce = 8 * 1024 * 1024;

QByteArray fingerprint(const QByteArray& line) {
    return QCryptographicHash::hash(line, QCryptographicHash::Sha256).toHex();
}

// The log's lines without their line ends; a torn last line only when asked for.
QList<QByteArray> linesOf(const QByteArray& log, bool withTorn) {
    QList<QByteArray> lines = log.split('\n');
    // After the last line end, split leaves the torn rest, or nothing.
    if (!withTorn || lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

QList<QByteArray> lineFingerprints(const QByteArray& log) {
    QList<QByteArray> found;
    for (const QByteArray& line : linesOf(log, true))
        found << fingerprint(line);
    return found;
}

Error pushCustodyLog(pg::Connection& connection, const QString& programDir) {
    QFile log(archive::custodyPath(programDir));
    if (!log.exists())
        return {};
    if (!log.open(QIODevice::ReadOnly))
        return {Failure::Other, QStringLiteral("读不了保管记录 %1：%2").arg(log.fileName(), log.errorString())};
    const QByteArray first = log.readLine();
    if (!first.endsWith('\n'))
        return {};
    const QString desktop = QString::fromLatin1(fingerprint(first.chopped(1)));
    pg::Result state;
    if (Error error =
            connection.run("SELECT lines, log_end FROM quillon.desktop_state($1)", {pg::text(desktop)}, &state);
        !error)
        return error;
    qint64 lines = state.rows() ? state.number(0, 0) : 0;
    qint64 end = state.rows() ? state.number(0, 1) : 0;
    // Where the server's copy ended is a line's end here too, or the log was rewritten before it: then
    // every line goes again, and the server passes over as many as it holds.
    char before = '\n';
    if (end > 0 && (end > log.size() || !log.seek(end - 1) || !log.getChar(&before) || before != '\n')) {
        lines = 0;
        end = 0;
    }
    if (!log.seek(end))
        return {Failure::Other, QStringLiteral("读不了保管记录 %1：%2").arg(log.fileName(), log.errorString())};
    while (!log.atEnd()) {
        QList<QByteArray> batch;
        qint64 bytes = 0;
        qint64 batchEnd = end;
        while (!log.atEnd() && batch.size() < kLinesAtOnce && bytes < kBytesAtOnce) {
            const QByteArray line = log.readLine();
            if (!line.endsWith('\n'))
                break; // torn: it goes once the next entry completes it
            batch << line.chopped(1);
            bytes += line.size();
            batchEnd += line.size();
        }
        if (batch.isEmpty())
            break;
        if (Error error = connection.run("SELECT quillon.add_desktop_lines($1, $2, $3, $4::bytea[], $5)",
                                         {pg::text(desktop), pg::text(QSysInfo::machineHostName()), pg::number(lines),
                                          pg::bytesArray(batch), pg::number(batchEnd)});
            !error)
            return error;
        lines += batch.size();
        end = batchEnd;
    }
    return {};
}

QStringList custodyDifferences(const QList<QByteArray>& received, const QList<QByteArray>& local) {
    QHash<QByteArray, qsizetype> whereHere;
    for (qsizetype i = local.size() - 1; i >= 0; --i)
        whereHere.insert(local[i], i);
    const QSet<QByteArray> sent(received.begin(), received.end());
    QStringList findings;
    // How far the lines here have moved from their numbers in the server's copy, by lines removed or
    // added before them; a line found before the last one found is out of its order.
    qsizetype shift = 0;
    qsizetype lastFound = -1;
    for (qsizetype n = 0; n < received.size(); ++n) {
        const auto here = whereHere.constFind(received[n]);
        if (here != whereHere.constEnd()) {
            if (*here < lastFound)
                findings << QStringLiteral("第 %1 行：在本机日志里被移到了第 %2 行之前（顺序被调换）")
                                .arg(n + 1)
                                .arg(lastFound + 1);
            else {
                shift = *here - n;
                lastFound = *here;
            }
            continue;
        }
        const qsizetype aligned = n + shift;
        if (aligned >= 0 && aligned < local.size() && !sent.contains(local[aligned])) {
            findings << QStringLiteral("第 %1 行：与服务器收到的不同（本机的这一行被改动了）").arg(n + 1);
            lastFound = std::max(lastFound, aligned);
        } else {
            findings << QStringLiteral("第 %1 行：本机日志里没有了（被删除）").arg(n + 1);
            --shift;
        }
    }
    return findings;
}

Error compareWithServer(pg::Connection& connection, const QString& programDir, WitnessReport* report) {
    *report = {};
    QFile log(archive::custodyPath(programDir));
    QByteArray bytes;
    if (log.exists()) {
        if (!log.open(QIODevice::ReadOnly))
            return {Failure::Other, QStringLiteral("读不了保管记录 %1：%2").arg(log.fileName(), log.errorString())};
        bytes = log.readAll();
    }
    const QList<QByteArray> local = lineFingerprints(bytes);
    // The copy of this log: named by its first line, or the one copy of this host's when the first
    // line is no longer what it was.
    QString desktop = local.isEmpty() ? QString() : QString::fromLatin1(local.first());
    pg::Result state;
    if (Error error =
            connection.run("SELECT lines, breaks FROM quillon.desktop_state($1)", {pg::text(desktop)}, &state);
        !error)
        return error;
    if (state.rows() == 0) {
        pg::Result copies;
        if (Error error = connection.run("SELECT id FROM quillon.desktops_of($1)",
                                         {pg::text(QSysInfo::machineHostName())}, &copies);
            !error)
            return error;
        if (copies.rows() != 1)
            return {};
        desktop = copies.text(0, 0);
        if (Error error =
                connection.run("SELECT lines, breaks FROM quillon.desktop_state($1)", {pg::text(desktop)}, &state);
            !error)
            return error;
        if (state.rows() == 0)
            return {};
    }
    pg::Result lines;
    if (Error error = connection.run("SELECT sha256 FROM quillon.desktop_lines($1)", {pg::text(desktop)}, &lines);
        !error)
        return error;
    QList<QByteArray> received;
    for (int i = 0; i < lines.rows(); ++i)
        received << lines.bytes(i, 0);
    report->received = int(received.size());
    report->findings = custodyDifferences(received, local);
    if (const qint64 breaks = state.number(0, 1); breaks > 0)
        report->findings
            << QStringLiteral("服务器收到这份日志时记下了 %1 处断链：收到的行没有接着它之前收到的那一行").arg(breaks);
    return {};
}

} // namespace office
