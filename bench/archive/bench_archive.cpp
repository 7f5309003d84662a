// The inquiry archive at office scale: 10,000 generated inquiries of 24 question and answer pairs,
// each with a template and a document and their fingerprints. Measures the full build of the index,
// the update after one save, searches of 1, 2, 3 and 8 characters, the archive window's first rows
// after the click, and the memory each takes above the idle program.
//   bench_archive [--benchmark_filter=...]      (QUILLON_BENCH_INQUIRIES sets another number)
#include "TestProgram.h"

#include "ProcessMemory.h"

#include "archive/Archive.h"
#include "archive/Locations.h"
#include "archivewindow/InquiryTableModel.h"
#include "platform/Fingerprint.h"
#include "platform/Gbk.h"
#include "transcript/TranscriptRecord.h"
#include "ui/ArchiveWindow.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTableView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

using bench::memoryMb;
using bench::resetPeak;

const QStringList& words() {
    static const QStringList list =
        QStringLiteral(
            "工资 加班费 劳动合同 社会保险 工伤 经济补偿 解除 辞退 拖欠 克扣 最低工资 工作时间 休息日 法定节假日 "
            "用人单位 劳动者 签订 书面 试用期 押金 身份证 扣押 女职工 未成年工 招用 童工 烟草 专卖 许可证 卷烟 零售 "
            "批发 运输 假冒 走私 店铺 仓库 货架 条 箱 价格 进货 渠道 来源 发票 收据 账本 现金 转账 微信 支付宝 "
            "老板 经理 会计 出纳 店员 司机 保安 厨师 工人 班长 车间 工地 项目部 施工队 包工头 分包 总包 "
            "今年 去年 上个月 三个月 半年 每天 每周 晚上 早上 中午 下午 八点 十点 十二个小时 两千元 三千五百元 "
            "没有 已经 还没 知道 不知道 记得 不记得 同意 不同意 承认 否认 签字 按手印 属实 核对 无误 补充 说明")
            .split(u' ');
    return list;
}

QString phrase(QRandomGenerator& random, int length) {
    QString text;
    while (text.size() < length) {
        text += words()[random.bounded(int(words().size()))];
        if (random.bounded(5) == 0)
            text += QStringLiteral("，");
    }
    return text;
}

// The program directory of the benchmarks, made once: templates in GB18030 with CR LF as the
// program writes them, each with a document of a real document's size, all fingerprinted.
class Office {
public:
    static Office& instance() {
        static Office office;
        return office;
    }
    QString dir() const { return m_dir.path(); }
    int inquiries() const { return m_inquiries; }
    QString someTemplate() const { return m_someTemplate; }
    // The index as a full build leaves it, for the benchmarks that read it.
    void ensureBuilt() const {
        archive::Index index(dir());
        bool empty = false;
        const std::atomic_bool never = false;
        if (index.open(&empty).ok() && empty) {
            if (const archive::sql::Error built = index.sync(true, never); !built)
                qFatal("the index could not be built: %s", qPrintable(built.text));
        }
    }

private:
    Office() : m_inquiries(qEnvironmentVariableIntValue("QUILLON_BENCH_INQUIRIES")) {
        if (m_inquiries <= 0)
            m_inquiries = 10000;
        static const char* const kSurnames = "王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗";
        static const QStringList kGiven =
            QStringLiteral("伟 芳 娜 敏 静 丽 强 磊 军 洋 勇 艳 杰 娟 涛 明 超 秀英 桂英 建国 志强 海燕 小红")
                .split(u' ');
        const QString bl = dir() + QStringLiteral("/BL");
        QDir().mkpath(bl);
        QRandomGenerator random(2024);
        const QByteArray document(16896, 'd');
        const QByteArray documentDigest = fingerprint::sha256Hex(writeOnce(dir() + "/doc-sample", document));
        for (int i = 0; i < m_inquiries; ++i) {
            const QString name = QString(QString::fromUtf8(kSurnames).at(random.bounded(20))) +
                                 kGiven[random.bounded(int(kGiven.size()))];
            const QString unit = phrase(random, 4) + QStringLiteral("有限公司");
            QString text = QStringLiteral("[set]\r\n");
            const int year = 2010 + random.bounded(15);
            const int month = 1 + random.bounded(12);
            const int day = 1 + random.bounded(28);
            const auto key = [&text](const QString& k, const QString& v) {
                text += k + u'=' + v + QStringLiteral("\r\n");
            };
            key("num1", QString::number(year));
            key("num2", QString::number(month));
            key("num3", QString::number(day));
            key("num4", "9");
            key("num5", "5");
            key("num6", "10");
            key("num7", "30");
            key("num8", QStringLiteral("Kelmar市"));
            key("num9", phrase(random, 8));
            key("num10", name + QString::number(i));
            key("num16", unit);
            key("num19", phrase(random, 10));
            key("num20", QStringLiteral("李四"));
            for (int pair = 1; pair <= record::kPairs; ++pair) {
                key(QStringLiteral("num%1").arg(21 + 2 * pair), QStringLiteral("问：") + phrase(random, 18) + u'？');
                key(QStringLiteral("num%1").arg(22 + 2 * pair), QStringLiteral("答：") + phrase(random, 36) + u'。');
            }
            const QString base =
                QStringLiteral("%1.%2.%3-%4-%5%6").arg(year).arg(month).arg(day).arg(unit, name).arg(i);
            const QString templatePath = writeOnce(bl + u'/' + base + ".ini", gbk::encode(text));
            if (const durable::Result written = fingerprint::write(templatePath); !written)
                qFatal("cannot write the fingerprint of %s: %s", qPrintable(templatePath), qPrintable(written.text()));
            const QString documentPath = writeOnce(bl + u'/' + base + ".doc", document);
            writeOnce(fingerprint::sidecarPath(documentPath), fingerprint::sidecarLine(documentDigest, base + ".doc"));
            if (i == m_inquiries / 2)
                m_someTemplate = templatePath;
        }
    }

    static QString writeOnce(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    QTemporaryDir m_dir;
    int m_inquiries;
    QString m_someTemplate;
};

void FullBuild(benchmark::State& state) {
    Office& office = Office::instance();
    const double idle = memoryMb("VmRSS:");
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(archive::indexPath(office.dir()));
        QFile::remove(archive::indexPath(office.dir()) + "-wal");
        QFile::remove(archive::indexPath(office.dir()) + "-shm");
        resetPeak();
        state.ResumeTiming();
        archive::Index index(office.dir());
        const std::atomic_bool never = false;
        if (!index.sync(true, never).ok())
            state.SkipWithError("the build failed");
    }
    state.counters["inquiries"] = office.inquiries();
    state.counters["peak_MB_above_idle"] = memoryMb("VmHWM:") - idle;
    state.counters["index_MB"] = QFileInfo(archive::indexPath(office.dir())).size() / 1048576.0;
}
BENCHMARK(FullBuild)->Unit(benchmark::kSecond)->Iterations(1);

// What the index does after "保存(笔录及模板)": the saved template read again with its document.
void UpdateAfterOneSave(benchmark::State& state) {
    Office& office = Office::instance();
    office.ensureBuilt();
    archive::Index index(office.dir());
    const QByteArray original = [&] {
        QFile file(office.someTemplate());
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }();
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QFile file(office.someTemplate());
        file.open(QIODevice::WriteOnly);
        file.write(original + gbk::encode(QStringLiteral("beizu=补充说明第%1次\r\n").arg(++n)));
        file.close();
        state.ResumeTiming();
        if (!index.updateInquiries({office.someTemplate()}).ok())
            state.SkipWithError("the update failed");
    }
}
BENCHMARK(UpdateAfterOneSave)->Unit(benchmark::kMillisecond);

// The same save told to the archive as the program tells it: custody entry written and synced, then
// the index updated.
void JournalOfOneSave(benchmark::State& state) {
    Office& office = Office::instance();
    office.ensureBuilt();
    archive::Archive archive(office.dir(), archive::Archive::Work::AtOnce, [](const QString&) {});
    const QString document = office.someTemplate().chopped(4) + ".doc";
    const QString name = QFileInfo(office.someTemplate()).completeBaseName();
    for (auto _ : state)
        archive.record({JournalEvent::Kind::Saved, name, {document, office.someTemplate()}});
}
BENCHMARK(JournalOfOneSave)->Unit(benchmark::kMillisecond);

void Search(benchmark::State& state, const QString& words) {
    Office& office = Office::instance();
    office.ensureBuilt();
    archive::Index index(office.dir());
    QList<archive::InquiryRow> rows;
    // The first search opens the index and reads it once: what every later one finds in memory.
    if (!index.search({}, &rows).ok()) {
        state.SkipWithError("the index could not be read");
        return;
    }
    const double idle = memoryMb("VmRSS:");
    resetPeak();
    for (auto _ : state)
        if (!index.search({words, {}, {}}, &rows).ok())
            state.SkipWithError("the search failed");
    state.counters["found"] = rows.size();
    state.counters["peak_MB_above_idle"] = memoryMb("VmHWM:") - idle;
}
BENCHMARK_CAPTURE(Search, one_character_in_every_inquiry, QStringLiteral("问"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Search, one_character, QStringLiteral("王"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Search, two_characters, QStringLiteral("王伟"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Search, three_characters, QStringLiteral("加班费"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Search, eight_characters, QStringLiteral("劳动合同社会保险"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Search, two_words, QStringLiteral("工伤 押金"))->Unit(benchmark::kMillisecond);

// From the click on "笔录档案" to the table painted with its first rows, on the real window of an
// idle program whose index is built; the program's memory above its idle state after that.
void WindowFirstRows(benchmark::State& state) {
    Office& office = Office::instance();
    office.ensureBuilt();
    TestServices env;
    archive::Archive archive(office.dir(), archive::Archive::Work::InBackground, [](const QString&) {});
    Services services{env.dialogs,
                      env.clock,
                      env.registry,
                      env.shell,
                      office.dir(),
                      env.services.executablePath,
                      env.services.desktopDir,
                      env.services.cacheDir,
                      archive};
    Program program(services, archive);
    program.start();
    QApplication::processEvents();
    ArchiveWindow& window = program.components().archiveWindow;
    const double idle = memoryMb("VmRSS:");
    resetPeak();
    for (auto _ : state) {
        program.window().actArchive->trigger();
        window.表格笔录->viewport()->repaint();
        if (window.表格笔录->model()->rowCount() == 0)
            state.SkipWithError("no rows");
        state.PauseTiming();
        window.hide();
        // The refresh the window started reads BL/ in the background; it ends before the next click.
        while (archive.isRebuilding())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        state.ResumeTiming();
    }
    state.counters["rows"] = window.表格笔录->model()->rowCount();
    state.counters["peak_MB_above_idle"] = memoryMb("VmHWM:") - idle;
}
BENCHMARK(WindowFirstRows)->Unit(benchmark::kMillisecond)->Iterations(5);

// Milliseconds a whole process takes, the median of runs; -1 when it fails.
double medianMs(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment) {
    QList<double> times;
    for (int run = 0; run < 9; ++run) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer timer;
        timer.start();
        process.start(program, arguments);
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
            return -1;
        // grep exits 1 when nothing matches.
        if (process.exitCode() > 1)
            return -1;
        times << timer.nsecsElapsed() / 1e6;
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// `quillon archive WORDS` as the user runs it, whole process, beside `grep -rlF` over a UTF-8 copy of
// the same templates measured in the same run.
void WholeProcessQuery(benchmark::State& state, const QString& words) {
    Office& office = Office::instance();
    office.ensureBuilt();
    static QTemporaryDir utf8;
    if (!QFileInfo::exists(utf8.filePath("BL"))) {
        QDir().mkpath(utf8.filePath("BL"));
        for (const QFileInfo& file : QDir(office.dir() + "/BL").entryInfoList({"*.ini"}, QDir::Files)) {
            QFile in(file.filePath());
            QFile out(utf8.filePath("BL/" + file.fileName()));
            if (in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly))
                out.write(gbk::decode(in.readAll()).toUtf8());
        }
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QUILLON_HOME", office.dir());
    const QString quillon = QStringLiteral(QUILLON_BINARY_DIR "/quillon");
    // The first run after the build looks at every file once; the measured ones find BL/ unchanged.
    medianMs(quillon, {"archive", words}, environment);
    double ours = 0;
    double grep = 0;
    for (auto _ : state) {
        ours = medianMs(quillon, {"archive", words}, environment);
        grep = medianMs("grep", {"-rlF", words, utf8.filePath("BL")}, environment);
    }
    if (ours < 0 || grep < 0)
        state.SkipWithError("a run failed");
    state.counters["quillon_ms"] = ours;
    state.counters["grep_ms"] = grep;
    state.counters["grep_over_quillon"] = grep / ours;
}
BENCHMARK_CAPTURE(WholeProcessQuery, one_character, QStringLiteral("王"))->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(WholeProcessQuery, two_characters, QStringLiteral("工资"))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(WholeProcessQuery, three_characters, QStringLiteral("加班费"))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(WholeProcessQuery, eight_characters, QStringLiteral("劳动合同社会保险"))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The index's size after one rebuild and after ten.
void SizeAfterRebuilds(benchmark::State& state) {
    Office& office = Office::instance();
    office.ensureBuilt();
    archive::Index index(office.dir());
    const std::atomic_bool never = false;
    qint64 first = 0;
    qint64 tenth = 0;
    for (auto _ : state)
        for (int n = 1; n <= 10; ++n) {
            if (!index.sync(true, never).ok())
                state.SkipWithError("the rebuild failed");
            const qint64 size = QFileInfo(archive::indexPath(office.dir())).size() +
                                QFileInfo(archive::indexPath(office.dir()) + "-wal").size();
            (n == 1 ? first : tenth) = size;
        }
    state.counters["first_MB"] = first / 1e6;
    state.counters["tenth_MB"] = tenth / 1e6;
}
BENCHMARK(SizeAfterRebuilds)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace
