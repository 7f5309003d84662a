// The repair of captures against real files: one capture made by the real pipeline, copied while it
// runs (the file a killed program leaves) and once finished, then damaged the ways disks and crashes
// damage files. What the repair indexes is played back by GStreamer's own AVI reader.
#include "recording/AviRepair.h"
#include "recording/VideoCapture.h"

#include "TestServices.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <atomic>

namespace {

const QString kSource = QStringLiteral("videotestsrc is-live=true ! video/x-raw,width=320,height=240,framerate=15/1");

quint32 le32(const QByteArray& data, qint64 at) {
    return qFromLittleEndian<quint32>(data.constData() + at);
}

// The movi list and the whole frame chunks ("00db", as the muxer writes Motion JPEG) in it.
struct Layout {
    qint64 movi = -1;
    QList<qint64> frames;
    qint64 dataEnd = 0; // after the last whole frame
};

Layout layoutOf(const QByteArray& data) {
    Layout layout;
    layout.movi = data.indexOf("movi") - 8;
    qint64 at = layout.movi + 12;
    while (at + 8 <= data.size() && data.mid(at, 4) == "00db" && at + 8 + le32(data, at + 4) <= data.size()) {
        layout.frames << at;
        at += 8 + le32(data, at + 4) + (le32(data, at + 4) & 1);
        layout.dataEnd = at;
    }
    return layout;
}

// The positions the idx1 chunk at the end of a file points to (relative to the movi list or absolute).
QList<qint64> indexedFrames(const QByteArray& data) {
    const qint64 idx1 = data.lastIndexOf("idx1");
    const Layout layout = layoutOf(data);
    QList<qint64> frames;
    if (idx1 < 0)
        return frames;
    for (qint64 e = idx1 + 8; e + 16 <= idx1 + 8 + le32(data, idx1 + 4); e += 16) {
        const qint64 offset = le32(data, e + 8);
        frames << (data.mid(offset, 4) == "00db" ? offset : layout.movi + 8 + offset);
    }
    return frames;
}

// Pictures GStreamer's AVI reader finds through the index and the JPEG decoder decodes; -1 on an error.
int decodedFrames(const QString& path) {
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(
        "filesrc name=src ! avidemux ! jpegdec ! fakesink name=sink signal-handoffs=true sync=false", &error);
    if (error) {
        g_clear_error(&error);
        return -1;
    }
    GstElement* src = gst_bin_get_by_name(GST_BIN(pipeline), "src");
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    g_object_set(src, "location", QFile::encodeName(path).constData(), nullptr);
    std::atomic_int count = 0;
    g_signal_connect(
        sink, "handoff",
        G_CALLBACK(+[](GstElement*, GstBuffer*, GstPad*, gpointer n) { ++*static_cast<std::atomic_int*>(n); }), &count);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message =
        gst_bus_timed_pop_filtered(bus, 60 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool ended = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    if (message)
        gst_message_unref(message);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(bus);
    gst_object_unref(src);
    gst_object_unref(sink);
    gst_object_unref(pipeline);
    return ended ? count.load() : -1;
}

class AviRepairTest : public ::testing::Test {
protected:
    // One real capture for all cases: copied while it runs (what a kill leaves), and kept once finished.
    static void SetUpTestSuite() {
        s_dir = new QTemporaryDir;
        VideoCapture capture(kSource);
        const QString file = s_dir->filePath("capture.avi");
        ASSERT_TRUE(capture.start(file));
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(file).size() > 600 * 1024; }, 20000));
        // A kill in the middle of writing a frame: the copy ends inside its last frame.
        const QByteArray running = readFile(file);
        s_killed = new QByteArray(running.left(layoutOf(running).frames.last() + 1000));
        ASSERT_TRUE(capture.stop());
        s_finished = new QByteArray(readFile(file));
    }
    static void TearDownTestSuite() {
        delete s_killed;
        delete s_finished;
        delete s_dir;
    }

    QString place(const QString& name, const QByteArray& bytes) {
        writeFile(dir.filePath(name), bytes);
        return dir.filePath(name);
    }
    QString aside() const { return dir.filePath("aside"); }

    static QTemporaryDir* s_dir;
    static QByteArray* s_killed;
    static QByteArray* s_finished;
    QTemporaryDir dir;
};

QTemporaryDir* AviRepairTest::s_dir = nullptr;
QByteArray* AviRepairTest::s_killed = nullptr;
QByteArray* AviRepairTest::s_finished = nullptr;

TEST_F(AviRepairTest, AKilledCaptureWithAZeroedBlockKeepsEveryWholeFrameAfterIt) {
    const Layout killed = layoutOf(*s_killed);
    ASSERT_GE(killed.frames.size(), 20);
    // 4 KB of zeros from the header of a frame in the middle on: that frame is lost, nothing else.
    const int lost = int(killed.frames.size() / 2);
    QByteArray damaged = *s_killed;
    damaged.replace(killed.frames[lost], 4096, QByteArray(4096, '\0'));
    const QString file = place("damaged.avi", damaged);

    const avirepair::Result repaired = avirepair::repair(file, aside());
    ASSERT_TRUE(repaired.ok) << repaired.error.toStdString();
    EXPECT_TRUE(repaired.repaired);
    EXPECT_EQ(repaired.frames, killed.frames.size() - 1);
    EXPECT_GT(repaired.damagedBytes, 0);
    QList<qint64> expected = killed.frames;
    expected.removeAt(lost);
    const QByteArray result = readFile(file);
    EXPECT_EQ(indexedFrames(result), expected);
    EXPECT_EQ(decodedFrames(file), killed.frames.size() - 1);

    // Not a byte lost: the frames and the damage stay in place, and the cut-off last frame is kept aside.
    const qint64 frameList = killed.movi + 12;
    EXPECT_EQ(result.mid(frameList, killed.dataEnd - frameList), damaged.mid(frameList, killed.dataEnd - frameList));
    ASSERT_FALSE(repaired.cutAside.isEmpty());
    EXPECT_TRUE(repaired.cutAside.startsWith(aside()));
    EXPECT_EQ(readFile(repaired.cutAside), damaged.mid(killed.dataEnd));

    // Repaired once, the file is finished: a second repair leaves it as it is.
    const avirepair::Result again = avirepair::repair(file, aside());
    EXPECT_TRUE(again.ok);
    EXPECT_FALSE(again.repaired);
    EXPECT_EQ(readFile(file), result);
}

TEST_F(AviRepairTest, AFinishedFileIsLeftAloneAndJunkIsNeverIndexed) {
    // Junk that looks like the start of a frame chunk, then random bytes.
    QByteArray junk = QByteArray("00db") + QByteArray(4, '\x7f');
    QRandomGenerator random(22);
    for (int i = 0; i < 20000; ++i)
        junk += char(random.bounded(256));

    const qsizetype finishedFrames = layoutOf(*s_finished).frames.size();
    for (const QByteArray& bytes : {*s_finished, *s_finished + junk}) {
        const QString file = place("finished.avi", bytes);
        const avirepair::Result repaired = avirepair::repair(file, aside());
        EXPECT_TRUE(repaired.ok) << repaired.error.toStdString();
        EXPECT_FALSE(repaired.repaired);
        EXPECT_EQ(repaired.frames, finishedFrames);
        EXPECT_EQ(readFile(file), bytes) << "a finished file is not touched";
    }

    // A killed capture with junk after its frames: the junk goes aside with the cut-off frame.
    const Layout killed = layoutOf(*s_killed);
    const QString file = place("killed.avi", *s_killed + junk);
    const avirepair::Result repaired = avirepair::repair(file, aside());
    ASSERT_TRUE(repaired.ok) << repaired.error.toStdString();
    EXPECT_EQ(repaired.frames, killed.frames.size());
    EXPECT_EQ(indexedFrames(readFile(file)), killed.frames);
    EXPECT_EQ(repaired.damagedBytes, 0);
    EXPECT_EQ(readFile(repaired.cutAside), s_killed->mid(killed.dataEnd) + junk);
    EXPECT_EQ(decodedFrames(file), killed.frames.size());
}

TEST_F(AviRepairTest, ACaptureWithoutAWholeFrameIsReportedAsSuchAndLeftAsItWas) {
    const Layout killed = layoutOf(*s_killed);
    // Killed in the middle of its first frame.
    const QByteArray cut = s_killed->left(killed.frames[0] + 1000);
    const QString file = place("cut.avi", cut);
    const avirepair::Result repaired = avirepair::repair(file, aside());
    EXPECT_FALSE(repaired.ok);
    EXPECT_TRUE(repaired.noFrames);
    EXPECT_EQ(repaired.error, QStringLiteral("录像文件里没有一个完整的画面"));
    EXPECT_EQ(readFile(file), cut);
    EXPECT_FALSE(QDir(aside()).exists());
}

} // namespace
