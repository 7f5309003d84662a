// The office archive on a private PostgreSQL 15 on this machine: generated inquiries of 24 question
// and answer pairs, each with its template and a document, pushed in batches as a desktop's first
// upload; office searches of 1, 2, 3 and 8 characters at 10,000 and at 100,000 inquiries; and the
// push of one saved inquiry on its own, over the Unix socket.
//   bench_office            (QUILLON_BENCH_INQUIRIES sets another final number)
#include "PgServer.h"

#include "archive/SearchText.h"
#include "office/Grams.h"
#include "office/OfficeSearch.h"
#include "office/Outbox.h"
#include "office/Push.h"
#include "transcript/FieldNames.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTextStream>

#include <algorithm>

using namespace archive;
using namespace office;

namespace {

const QStringList kWords =
    QStringLiteral("工资 加班费 劳动合同 社会保险 工伤 经济补偿 解除 辞退 拖欠 克扣 工作时间 休息日 "
                   "用人单位 劳动者 签订 试用期 押金 身份证 烟草 专卖 许可证 卷烟 零售 批发 "
                   "运输 假冒 店铺 仓库 价格 进货 发票 账本 现金 转账 老板 经理 会计 店员 司机 "
                   "车间 工地 今年 去年 每天 晚上 没有 已经 知道 记得 同意 签字 属实 核对")
        .split(u' ');
const QStringList kSurnames = QStringLiteral("王 李 张 刘 陈 杨 黄 赵 吴 周 徐 孙 马 朱 胡 郭 何 高 林 罗").split(u' ');
const QStringList kGiven = QStringLiteral("伟 芳 娜 敏 静 丽 强 磊 军 洋 勇 艳 杰 娟 涛 明 超 秀 霞 平").split(u' ');

QString phrase(QRandomGenerator& random, int length) {
    QString text;
    while (text.size() < length)
        text += kWords[random.bounded(int(kWords.size()))];
    return text;
}

Version generated(QRandomGenerator& random, int n) {
    Version v;
    v.key = sha256Of(QByteArray::number(n) + "/bench");
    const QString name = kSurnames[random.bounded(int(kSurnames.size()))] + kGiven[random.bounded(int(kGiven.size()))] +
                         (random.bounded(2) ? kGiven[random.bounded(int(kGiven.size()))] : QString());
    const QString unit = QStringLiteral("第%1公司").arg(random.bounded(500));
    const QDate date = QDate(2010, 1, 1).addDays(random.bounded(5000));
    v.inquiry = QStringLiteral("%1.%2.%3-%4-%5").arg(date.year()).arg(date.month()).arg(date.day()).arg(unit, name);
    v.event = QStringLiteral("saved");
    v.time = QDateTime(date, QTime(9, 0)).toOffsetFromUtc(8 * 3600).toString(Qt::ISODate);
    v.host = QStringLiteral("desk1");
    v.user = QStringLiteral("inspector");
    v.facts.name = v.inquiry;
    v.facts.record[field::IntervieweeName] = name;
    v.facts.record[field::WorkUnit] = unit;
    v.facts.record[field::Place] = QStringLiteral("Kelmar市") + phrase(random, 4);
    for (int pair = 1; pair <= record::kPairs; ++pair) {
        v.facts.record[record::question(pair).key] = QStringLiteral("问：") + phrase(random, 30);
        v.facts.record[record::answer(pair).key] = QStringLiteral("答：") + phrase(random, 30);
    }
    v.facts.date = date.toString(Qt::ISODate);
    v.facts.starts = QStringLiteral("09:00");
    v.facts.ends = QStringLiteral("10:30");
    v.facts.pairs = 24;
    v.search = searchTextOf(v.facts);
    v.grams = grams(v.search);
    const QByteArray templateBytes = v.search.toUtf8();
    const QByteArray document = templateBytes.repeated(6);
    for (const auto& [suffix, kind, bytes] :
         {std::tuple{".ini", FileKind::Template, templateBytes}, std::tuple{".doc", FileKind::Document, document}}) {
        VersionFile file;
        file.name = "BL/" + v.inquiry + suffix;
        file.kind = kind;
        file.copy = bytes;
        file.hasCopy = true;
        file.store = true;
        file.size = bytes.size();
        file.state = FileState::Ok;
        file.content = file.sha256 = sha256Of(bytes);
        v.files << file;
    }
    v.custodyLines << QByteArray(R"({"event":"saved","inquiry":")") + v.inquiry.toUtf8() + "\"}";
    return v;
}

void die(const QString& what) {
    QTextStream(stderr) << what << Qt::endl;
    std::exit(1);
}

double upload(pg::Connection& connection, QRandomGenerator& random, int from, int to) {
    static const std::atomic_bool never = false;
    constexpr int kBatch = 16;
    QElapsedTimer clock;
    clock.start();
    for (int n = from; n < to; n += kBatch) {
        QList<Version> batch;
        for (int i = n; i < std::min(to, n + kBatch); ++i)
            batch << generated(random, i);
        if (const Error error = pushVersions(connection, batch, never); !error)
            die(error.text());
    }
    return (to - from) / (clock.elapsed() / 1000.0);
}

void searches(pg::Connection& connection, int inquiries) {
    QTextStream out(stdout);
    for (const QString& word :
         {QStringLiteral("王"), QStringLiteral("王伟"), QStringLiteral("劳动合"), QStringLiteral("劳动合同社会保险")}) {
        QList<double> times;
        int found = 0;
        for (int round = 0; round < 7; ++round) {
            QList<OfficeRow> rows;
            QElapsedTimer clock;
            clock.start();
            if (const Error error = searchOffice(connection, word, 500, &rows); !error)
                die(error.text());
            times << clock.nsecsElapsed() / 1e6;
            found = int(rows.size());
        }
        std::sort(times.begin(), times.end());
        out << QStringLiteral("  %1 inquiries, search %2 (%3 chars): median %4 ms, worst %5 ms, %6 rows\n")
                   .arg(inquiries)
                   .arg(word)
                   .arg(word.size())
                   .arg(times[3], 0, 'f', 1)
                   .arg(times.last(), 0, 'f', 1)
                   .arg(found);
    }
    out.flush();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (qEnvironmentVariableIsEmpty("QUILLON_SOURCE_DIR"))
        qputenv("QUILLON_SOURCE_DIR", QUILLON_SOURCE_DIR);
    const int total = qEnvironmentVariableIntValue("QUILLON_BENCH_INQUIRIES") > 0
                          ? qEnvironmentVariableIntValue("QUILLON_BENCH_INQUIRIES")
                          : 100000;
    const int first = std::min(10000, total);
    PgServer server;
    if (const QString failed = server.setUp(); !failed.isEmpty())
        die(failed);
    if (!server.addInspector("bench", "第一大队"))
        die("no role");
    static const std::atomic_bool never = false;
    pg::Connection connection(&never);
    if (const Error error = connection.open(server.conninfo("bench").toUtf8()); !error)
        die(error.text());
    QRandomGenerator random(7);
    QTextStream out(stdout);
    out << QStringLiteral("upload of the first %1: %2 inquiries/s\n")
               .arg(first)
               .arg(upload(connection, random, 0, first), 0, 'f', 0);
    out.flush();
    server.psql("VACUUM ANALYZE");
    searches(connection, first);
    if (total > first) {
        out << QStringLiteral("upload of %1 more: %2 inquiries/s\n")
                   .arg(total - first)
                   .arg(upload(connection, random, first, total), 0, 'f', 0);
        out.flush();
        server.psql("VACUUM ANALYZE");
        searches(connection, total);
    }
    constexpr int kPushes = 101;
    QList<double> times;
    for (int round = 0; round < kPushes; ++round) {
        const Version v = generated(random, total + round);
        QElapsedTimer clock;
        clock.start();
        if (const Error error = pushVersion(connection, v, never); !error)
            die(error.text());
        times << clock.nsecsElapsed() / 1e6;
    }
    std::sort(times.begin(), times.end());
    out << QStringLiteral("push of one saved inquiry: median %1 ms, 99th percentile %2 ms, worst %3 ms\n")
               .arg(times[kPushes / 2], 0, 'f', 1)
               .arg(times[kPushes * 99 / 100], 0, 'f', 1)
               .arg(times.last(), 0, 'f', 1);
    // The worst a push meets: the grams' pending list full (4 MB, some 550 versions of these), which
    // the push that fills it merges into the index unless autovacuum did so before. Measured here on a
    // list emptied first and then given 500 versions.
    const QString merge = QStringLiteral(
        "WITH t0 AS MATERIALIZED (SELECT clock_timestamp() AS at), m AS MATERIALIZED (SELECT (SELECT at FROM t0) AS "
        "at, gin_clean_pending_list('quillon.version_grams') AS pages) SELECT round(extract(epoch FROM "
        "clock_timestamp() - at) * 1000) || ' ms for ' || pages || ' pages' FROM m");
    server.psql(merge);
    upload(connection, random, total + kPushes, total + kPushes + 500);
    out << QStringLiteral("merge of the pending list of 500 versions: %1\n").arg(server.psql(merge));
    out << QStringLiteral("server database size: %1\n")
               .arg(server.psql("SELECT pg_size_pretty(pg_database_size('quillon'))"));
    return 0;
}
