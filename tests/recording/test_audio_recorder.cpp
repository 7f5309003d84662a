// The recorder on real GStreamer pipelines fed by audiotestsrc: format, blocks, pause, stop, save,
// and the failures of a source that cannot record.
#include "AudioTestTools.h"

#include "recording/AudioRecorder.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace audiotest;

namespace {

constexpr int BytesPerSecond = 16000;

class Recorder : public ::testing::Test {
protected:
    void TearDown() override { qunsetenv("QUILLON_AUDIO_SOURCE"); }

    static void useSource(const char* description) { qputenv("QUILLON_AUDIO_SOURCE", description); }
    bool recordAtLeast(qint64 bytes) const
    {
        return waitUntil([&] { return recorder.recordedBytes() >= bytes; });
    }
    QString path(const QString& name) const { return dir.filePath(name); }

    AudioRecorder recorder;
    QTemporaryDir dir;
};

} // namespace

TEST_F(Recorder, AcceptsOnlyTheListedFormats)
{
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

TEST_F(Recorder, KeepsConvertedSoundInFullBlocksAndSavesItAll)
{
    // Odd source buffers (882 bytes at 44.1 kHz stereo before conversion) so blocks span buffers.
    useSource("audiotestsrc is-live=true freq=1000 samplesperbuffer=441 ! audio/x-raw,rate=44100,channels=2");
    ASSERT_TRUE(recorder.setFormat(1, 8000, 16));
    ASSERT_TRUE(recorder.start()) << recorder.lastError().toStdString();
    ASSERT_TRUE(recordAtLeast(BytesPerSecond + 5000));
    ASSERT_TRUE(recorder.stop());
    EXPECT_FALSE(recorder.isCapturing());

    const std::vector<QByteArray> blocks = recorder.blocks();
    ASSERT_GE(blocks.size(), 5u);
    for (size_t i = 0; i + 1 < blocks.size(); ++i)
        ASSERT_EQ(blocks[i].size(), AudioRecorder::BlockSize) << "block " << i;
    EXPECT_GT(blocks.back().size(), 0);
    EXPECT_LE(blocks.back().size(), AudioRecorder::BlockSize);
    const QByteArray samples = concat(blocks);
    EXPECT_EQ(samples.size(), recorder.recordedBytes());
    EXPECT_NEAR(dominantFrequency(samplesOf(samples), 8000), 1000, 20);
    EXPECT_GT(rms(samplesOf(samples)), 1000);

    ASSERT_TRUE(recorder.save(path("r.wav"), false)) << recorder.lastError().toStdString();
    const QByteArray file = readFile(path("r.wav"));
    ASSERT_EQ(file.size(), 44 + samples.size());
    EXPECT_EQ(file.left(44), wav::header(AudioFormat{1, 8000, 16}, quint32(samples.size())));
    EXPECT_EQ(file.mid(44), samples);
}

TEST_F(Recorder, PauseThenSaveHoldsOnlyTheSoundBeforeThePause)
{
    useSource("audiotestsrc is-live=true");
    QElapsedTimer sinceStart;
    sinceStart.start();
    ASSERT_TRUE(recorder.start()) << recorder.lastError().toStdString();
    QElapsedTimer sinceFirstSound;
    sinceFirstSound.start();
    ASSERT_TRUE(recordAtLeast(BytesPerSecond / 2));
    ASSERT_TRUE(recorder.pause());
    // The source ran at most from the start and at least from the first sound to the pause.
    const double longest = sinceStart.elapsed() / 1000.0;
    const double shortest = sinceFirstSound.elapsed() / 1000.0;
    const qint64 atPause = recorder.recordedBytes();
    EXPECT_TRUE(recorder.isPaused());

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

TEST_F(Recorder, ContinuingAppendsWithoutAGap)
{
    useSource("audiotestsrc is-live=true");
    ASSERT_TRUE(recorder.start());
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
    EXPECT_EQ(concat(recorder.blocks()).size(), total);
}

TEST_F(Recorder, SecondRecordingReplacesTheFirst)
{
    useSource("audiotestsrc is-live=true freq=440");
    ASSERT_TRUE(recorder.start());
    ASSERT_TRUE(recordAtLeast(BytesPerSecond + 4000));
    ASSERT_TRUE(recorder.save(path("first.wav"), false));

    const qint64 firstBytes = recorder.recordedBytes();
    useSource("audiotestsrc is-live=true freq=1000");
    ASSERT_TRUE(recorder.start());
    EXPECT_LT(recorder.recordedBytes(), firstBytes);
    ASSERT_TRUE(recordAtLeast(BytesPerSecond + 4000));
    ASSERT_TRUE(recorder.save(path("second.wav"), false));

    const QByteArray first = readFile(path("first.wav"));
    const QByteArray second = readFile(path("second.wav"));
    EXPECT_NEAR(dominantFrequency(samplesOf(first.mid(44)), 8000), 440, 10);
    EXPECT_NEAR(dominantFrequency(samplesOf(second.mid(44)), 8000), 1000, 20);
    EXPECT_EQ(le32(second, 40), recorder.recordedBytes());
}

TEST_F(Recorder, SaveRefusesToOverwriteUnlessAskedAndKeepsTheRecordingOnFailure)
{
    useSource("audiotestsrc is-live=true");
    ASSERT_TRUE(recorder.start());
    ASSERT_TRUE(recordAtLeast(8192));

    QFile existing(path("old.wav"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("old");
    existing.close();
    EXPECT_FALSE(recorder.save(path("old.wav"), false));
    EXPECT_EQ(readFile(path("old.wav")), "old");

    EXPECT_FALSE(recorder.save(path("no/such/dir.wav"), true));
    EXPECT_FALSE(recorder.lastError().isEmpty());

    ASSERT_TRUE(recorder.save(path("old.wav"), true));
    const QByteArray file = readFile(path("old.wav"));
    EXPECT_EQ(file.size(), 44 + recorder.recordedBytes());
    EXPECT_GE(recorder.recordedBytes(), 8192);
}

TEST_F(Recorder, SourcesThatCannotRecordDoNotStartAndKeepThePreviousRecording)
{
    useSource("audiotestsrc is-live=true");
    ASSERT_TRUE(recorder.start());
    ASSERT_TRUE(recordAtLeast(4096));
    ASSERT_TRUE(recorder.stop());
    const QByteArray kept = concat(recorder.blocks());

    QSignalSpy failed(&recorder, &AudioRecorder::captureFailed);
    const char* broken[] = {
        "no_such_element_anywhere",                            // not a GStreamer element
        "pulsesrc server=unix:/nonexistent/pulse/native",      // no sound server there
        "audiotestsrc num-buffers=0",                          // ends before any sound
    };
    for (const char* description : broken) {
        useSource(description);
        EXPECT_FALSE(recorder.start()) << description;
        EXPECT_FALSE(recorder.lastError().isEmpty()) << description;
        EXPECT_FALSE(recorder.isCapturing()) << description;
        EXPECT_EQ(concat(recorder.blocks()), kept) << description;
    }
    ASSERT_TRUE(recorder.save(path("kept.wav"), false));
    EXPECT_EQ(readFile(path("kept.wav")).mid(44), kept);
    // A start that failed says so through its result, not as a failure of a running capture.
    QCoreApplication::processEvents();
    EXPECT_EQ(failed.count(), 0);
}

TEST_F(Recorder, AutoSourceWithoutAnyDeviceIsNotMistakenForARecording)
{
    // With no sound server reachable and no sound card, autoaudiosrc falls back to a silent fake.
    if (QFileInfo::exists("/dev/snd"))
        GTEST_SKIP() << "this machine has a sound card, so autoaudiosrc never falls back to its fake source";
    const QByteArray server = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:/nonexistent/pulse/native");
    qunsetenv("QUILLON_AUDIO_SOURCE");
    const bool started = recorder.start();
    if (server.isNull())
        qunsetenv("PULSE_SERVER");
    else
        qputenv("PULSE_SERVER", server);
    EXPECT_FALSE(started);
    EXPECT_EQ(recorder.lastError(), QStringLiteral("没有找到可用的录音设备"));
    EXPECT_FALSE(recorder.isCapturing());
}

TEST_F(Recorder, SourceErrorWhileRecordingKeepsWhatCameBefore)
{
    useSource("audiotestsrc is-live=true samplesperbuffer=800 ! identity error-after=10");
    QSignalSpy failed(&recorder, &AudioRecorder::captureFailed);
    ASSERT_TRUE(recorder.start()) << recorder.lastError().toStdString();
    ASSERT_TRUE(waitUntil([&] { return failed.count() == 1; }));
    EXPECT_FALSE(recorder.captureError().isEmpty());
    ASSERT_TRUE(recorder.stop());
    EXPECT_GT(recorder.recordedBytes(), 0);
    ASSERT_TRUE(recorder.save(path("cut.wav"), false));
    EXPECT_EQ(le32(readFile(path("cut.wav")), 40), recorder.recordedBytes());
}
