// The recorder on real GStreamer pipelines fed by audiotestsrc: samples straight to a WAV file whose
// header follows them, pause, continue, save by moving the file (also onto a real full filesystem),
// and sources and disks that fail.
#include "AudioTestTools.h"
#include "SmallFilesystem.h"

#include "recording/AudioRecorder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace audiotest;

namespace {

constexpr int BytesPerSecond = 16000;

class Recorder : public ::testing::Test {
protected:
    void TearDown() override { qunsetenv("QUILLON_AUDIO_SOURCE"); }

    static void useSource(const char* description) { qputenv("QUILLON_AUDIO_SOURCE", description); }
    bool recordAtLeast(qint64 bytes) const {
        return waitUntil([&] { return recorder.recordedBytes() >= bytes; });
    }
    QString path(const QString& name) const { return dir.filePath(name); }

    AudioRecorder recorder;
    QTemporaryDir dir;
};

} // namespace

TEST_F(Recorder, AcceptsOnlyTheListedFormats) {
    for (int channels : {0, 1, 2, 3})
        for (int rate : {7999, 8000, 11025, 16000, 22050, 44100, 48000})
            for (int bits : {0, 8, 16, 24}) {
                const bool valid = (channels == 1 || channels == 2) &&
                                   (rate == 8000 || rate == 11025 || rate == 22050 || rate == 44100) &&
                                   (bits == 8 || bits == 16);
                ASSERT_TRUE(recorder.setFormat(2, 22050, 8));
                EXPECT_EQ(recorder.setFormat(channels, rate, bits), valid) << channels << " " << rate << " " << bits;
                const AudioFormat now = recorder.format();
                const AudioFormat expected = valid ? AudioFormat{channels, rate, bits} : AudioFormat{2, 22050, 8};
                EXPECT_EQ(now.channels, expected.channels);
                EXPECT_EQ(now.samplesPerSecond, expected.samplesPerSecond);
                EXPECT_EQ(now.bitsPerSample, expected.bitsPerSample);
            }
}

TEST_F(Recorder, WritesTheConvertedSoundToItsFileWithAHeaderThatFollowsAndMovesItOnSave) {
    // Odd source buffers (882 bytes at 44.1 kHz stereo before conversion).
    useSource("audiotestsrc is-live=true freq=1000 samplesperbuffer=441 ! audio/x-raw,rate=44100,channels=2");
    const QString growing = path("录音.wav");
    ASSERT_TRUE(recorder.setFormat(1, 8000, 16));
    ASSERT_TRUE(recorder.start(growing)) << recorder.lastError().toStdString();
    EXPECT_TRUE(recorder.hasUnsavedRecording());
    EXPECT_EQ(recorder.file(), growing);

    // While recording, the header on disk never claims more than the file holds and lags at most a
    // second behind it: what a killed program leaves is a playable WAV.
    ASSERT_TRUE(recordAtLeast(2 * BytesPerSecond));
    ASSERT_TRUE(waitUntil([&] {
        const QByteArray head = readFile(growing).left(44);
        return head.size() == 44 && le32(head, 40) > 0;
    }));
    const QByteArray whileRecording = readFile(growing);
    const qint64 claimed = le32(whileRecording, 40);
    EXPECT_EQ(le32(whileRecording, 4), claimed + 36);
    EXPECT_LE(claimed, whileRecording.size() - 44);
    EXPECT_GE(claimed, whileRecording.size() - 44 - BytesPerSecond);

    ASSERT_TRUE(recorder.stop());
    EXPECT_FALSE(recorder.isCapturing());
    const QByteArray recorded = readFile(growing);
    ASSERT_EQ(recorded.size(), 44 + recorder.recordedBytes());
    EXPECT_EQ(recorded.left(44), wav::header(AudioFormat{1, 8000, 16}, quint32(recorder.recordedBytes())));
    const std::vector<double> samples = samplesOf(recorded.mid(44));
    EXPECT_NEAR(dominantFrequency(samples, 8000), 1000, 20);
    EXPECT_GT(rms(samples), 1000);

    ASSERT_TRUE(recorder.save(path("r.wav"), false)) << recorder.lastError().toStdString();
    EXPECT_EQ(readFile(path("r.wav")), recorded);
    EXPECT_FALSE(QFileInfo::exists(growing)) << "the recording was moved, not copied";
    EXPECT_FALSE(recorder.hasUnsavedRecording());
    EXPECT_EQ(recorder.file(), path("r.wav"));
}

TEST_F(Recorder, PauseThenSaveHoldsOnlyTheSoundBeforeThePause) {
    useSource("audiotestsrc is-live=true");
    QElapsedTimer sinceStart;
    sinceStart.start();
    ASSERT_TRUE(recorder.start(path("p-rec.wav"))) << recorder.lastError().toStdString();
    QElapsedTimer sinceFirstSound;
    sinceFirstSound.start();
    ASSERT_TRUE(recordAtLeast(BytesPerSecond / 2));
    ASSERT_TRUE(recorder.pause());
    // The source ran at most from the start and at least from the first sound to the pause.
    const double longest = sinceStart.elapsed() / 1000.0;
    const double shortest = sinceFirstSound.elapsed() / 1000.0;
    const qint64 atPause = recorder.recordedBytes();
    EXPECT_TRUE(recorder.isPaused());
    // A pause puts what came before on the disk, header included.
    EXPECT_EQ(le32(readFile(path("p-rec.wav")), 40), atPause);

    // The paused interval has to last for the comparison to mean anything.
    QElapsedTimer paused;
    paused.start();
    waitUntil([&] { return paused.elapsed() >= 1200; });
    EXPECT_EQ(recorder.recordedBytes(), atPause);

    ASSERT_TRUE(recorder.save(path("p.wav"), true));
    const QByteArray file = readFile(path("p.wav"));
    const qint64 dataSize = le32(file, 40);
    EXPECT_EQ(dataSize, file.size() - 44);
    EXPECT_EQ(dataSize, atPause);
    // 0.3 s of slack for buffering is far less than the 1.2 s paused.
    EXPECT_LE(dataSize, qint64((longest + 0.3) * BytesPerSecond));
    EXPECT_GE(dataSize, qint64((shortest - 0.3) * BytesPerSecond));
}

TEST_F(Recorder, ContinuingAppendsWithoutAGap) {
    useSource("audiotestsrc is-live=true");
    ASSERT_TRUE(recorder.start(path("c.wav")));
    ASSERT_TRUE(recordAtLeast(BytesPerSecond / 2));
    ASSERT_TRUE(recorder.pause());
    const qint64 first = recorder.recordedBytes();
    QElapsedTimer paused;
    paused.start();
    waitUntil([&] { return paused.elapsed() >= 1000; });
    QElapsedTimer running;
    running.start();
    ASSERT_TRUE(recorder.resume());
    ASSERT_TRUE(recordAtLeast(first + BytesPerSecond / 2));
    ASSERT_TRUE(recorder.stop());
    const double secondSeconds = running.elapsed() / 1000.0;
    const qint64 total = recorder.recordedBytes();
    // The second stretch adds what was recorded after continuing, never the paused second.
    EXPECT_LE(total - first, qint64((secondSeconds + 0.3) * BytesPerSecond));
    EXPECT_EQ(readFile(path("c.wav")).size(), 44 + total);
}

TEST_F(Recorder, SaveRefusesToOverwriteUnlessAskedAndKeepsTheRecordingOnFailure) {
    useSource("audiotestsrc is-live=true");
    ASSERT_TRUE(recorder.start(path("rec.wav")));
    ASSERT_TRUE(recordAtLeast(8192));

    writeFile(path("old.wav"), "old");
    EXPECT_FALSE(recorder.save(path("old.wav"), false));
    EXPECT_EQ(readFile(path("old.wav")), "old");

    EXPECT_FALSE(recorder.save(path("no/such/dir.wav"), true));
    EXPECT_EQ(recorder.lastError(), "文件或目录不存在");
    EXPECT_TRUE(recorder.hasUnsavedRecording());

    ASSERT_TRUE(recorder.save(path("old.wav"), true));
    EXPECT_EQ(readFile(path("old.wav")).size(), 44 + recorder.recordedBytes());
    EXPECT_GE(recorder.recordedBytes(), 8192);
    EXPECT_FALSE(QFileInfo::exists(path("rec.wav")));

    // A saved file that has gone since is no file to save from: that is not success.
    ASSERT_TRUE(QFile::remove(path("old.wav")));
    EXPECT_FALSE(recorder.save(path("again.wav"), true));
    EXPECT_EQ(recorder.lastError(), "文件或目录不存在");
    EXPECT_FALSE(QFileInfo::exists(path("again.wav")));
}

TEST_F(Recorder, SavingOntoANearlyFullDiskWritesAWholeWavOrKeepsTheEarlierFile) {
    SmallFilesystem fs;
    REQUIRE_SMALL_FILESYSTEM(fs);
    useSource("audiotestsrc is-live=true freq=440");
    const QString target = fs.path() + "/询问录音.wav";
    const QByteArray earlier = wav::header(AudioFormat{1, 8000, 16}, 4) + "abcd";

    for (const qint64 free : {0, 1, 2, 3, 5, 8}) {
        SCOPED_TRACE(free);
        writeFile(target, earlier);
        // About a second and a half: 6 blocks of samples, so the copy needs 7 blocks on the small disk.
        const QString growing = path(QStringLiteral("录音%1.wav").arg(free));
        ASSERT_TRUE(recorder.start(growing)) << recorder.lastError().toStdString();
        ASSERT_TRUE(recordAtLeast(BytesPerSecond * 3 / 2));
        ASSERT_TRUE(recorder.stop());
        const QByteArray recorded = readFile(growing);
        ASSERT_LT(recorded.size(), 8 * 4096);

        fs.leaveFree(free);
        // The recording's own file is on another filesystem: the save copies and reads the copy back.
        const bool saved = recorder.save(target, true);
        if (saved) {
            EXPECT_EQ(readFile(target), recorded);
            EXPECT_FALSE(QFileInfo::exists(growing));
        } else {
            EXPECT_EQ(recorder.lastError(), "磁盘空间已满");
            EXPECT_EQ(readFile(target), earlier);
            EXPECT_EQ(readFile(growing), recorded) << "the recording keeps its file";
        }
        EXPECT_EQ(QDir(fs.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{".filler", "询问录音.wav"}))
            << "no temporary file left";
        fs.unfill();
        // The copy takes more than five blocks and at most eight.
        EXPECT_EQ(saved, free >= 8);
    }
}

TEST_F(Recorder, SavingOnTheSameFilesystemIsARenameThatNeedsNoFreeSpace) {
    SmallFilesystem fs;
    REQUIRE_SMALL_FILESYSTEM(fs);
    useSource("audiotestsrc is-live=true");
    const QString growing = fs.path() + "/录音.wav";
    ASSERT_TRUE(recorder.start(growing));
    ASSERT_TRUE(recordAtLeast(BytesPerSecond));
    ASSERT_TRUE(recorder.stop());
    const QByteArray recorded = readFile(growing);
    writeFile(fs.path() + "/saved.wav", "earlier");
    fs.leaveFree(0);
    ASSERT_TRUE(recorder.save(fs.path() + "/saved.wav", true)) << recorder.lastError().toStdString();
    EXPECT_EQ(readFile(fs.path() + "/saved.wav"), recorded);
}

TEST_F(Recorder, ADiskThatFillsUpEndsTheRecordingAndKeepsAPlayableFile) {
    // Four blocks: full after about a second of sound.
    SmallFilesystem fs(16);
    REQUIRE_SMALL_FILESYSTEM(fs);
    useSource("audiotestsrc is-live=true");
    QSignalSpy failed(&recorder, &AudioRecorder::captureFailed);
    const QString file = fs.path() + "/录音.wav";
    ASSERT_TRUE(recorder.start(file)) << recorder.lastError().toStdString();
    ASSERT_TRUE(failed.wait(5000));
    EXPECT_EQ(recorder.captureError(), "录音文件写入出错：磁盘空间已满");
    ASSERT_TRUE(recorder.stop());
    const QByteArray kept = readFile(file);
    EXPECT_GT(kept.size(), 44 + 8192);
    EXPECT_EQ(le32(kept, 40), quint32(kept.size() - 44) / 2 * 2);
    EXPECT_EQ(le32(kept, 40), recorder.recordedBytes() / 2 * 2);
}

TEST_F(Recorder, SourcesThatCannotRecordLeaveNoFileAndKeepThePreviousRecording) {
    useSource("audiotestsrc is-live=true");
    ASSERT_TRUE(recorder.start(path("kept.wav")));
    ASSERT_TRUE(recordAtLeast(4096));
    ASSERT_TRUE(recorder.stop());
    const QByteArray kept = readFile(path("kept.wav"));

    QSignalSpy failed(&recorder, &AudioRecorder::captureFailed);
    const char* broken[] = {
        "no_such_element_anywhere",                       // not a GStreamer element
        "pulsesrc server=unix:/nonexistent/pulse/native", // no sound server there
        "audiotestsrc num-buffers=0",                     // ends before any sound
    };
    for (const char* description : broken) {
        useSource(description);
        EXPECT_FALSE(recorder.start(path("new.wav"))) << description;
        EXPECT_FALSE(recorder.lastError().isEmpty()) << description;
        EXPECT_FALSE(recorder.isCapturing()) << description;
        EXPECT_FALSE(QFileInfo::exists(path("new.wav"))) << description;
        EXPECT_EQ(recorder.file(), path("kept.wav")) << description;
    }
    // A file that exists already is never written over by a new recording.
    writeFile(path("taken.wav"), "taken");
    useSource("audiotestsrc is-live=true");
    EXPECT_FALSE(recorder.start(path("taken.wav")));
    EXPECT_EQ(readFile(path("taken.wav")), "taken");

    ASSERT_TRUE(recorder.save(path("saved.wav"), false));
    EXPECT_EQ(readFile(path("saved.wav")), kept);
    // A start that failed says so through its result, not as a failure of a running capture.
    QCoreApplication::processEvents();
    EXPECT_EQ(failed.count(), 0);
}

TEST_F(Recorder, AutoSourceWithoutAnyDeviceIsNotMistakenForARecording) {
    // With no sound server reachable and no sound card, autoaudiosrc falls back to a silent fake.
    if (QFileInfo::exists("/dev/snd"))
        GTEST_SKIP() << "this machine has a sound card, so autoaudiosrc never falls back to its fake source";
    const QByteArray server = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:/nonexistent/pulse/native");
    qunsetenv("QUILLON_AUDIO_SOURCE");
    const bool started = recorder.start(path("fake.wav"));
    if (server.isNull())
        qunsetenv("PULSE_SERVER");
    else
        qputenv("PULSE_SERVER", server);
    EXPECT_FALSE(started);
    EXPECT_EQ(recorder.lastError(), QStringLiteral("没有找到可用的录音设备"));
    EXPECT_FALSE(recorder.isCapturing());
}
