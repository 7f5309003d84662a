// End to end through a real PulseAudio server: our player plays a 1 kHz tone into the null sink
// "testsink" while the recorder, on its default source, records the sink's monitor.
#include "AudioTestTools.h"

#include "recording/AudioPlayer.h"
#include "recording/AudioRecorder.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <csignal>

using namespace audiotest;

namespace {

// Makes sure the PulseAudio server of tests/env/pulseaudio.sh runs, starting it when the test runs
// on its own, and stops it afterwards only if it was started here.
class PulseServer : public ::testing::Environment {
public:
    void SetUp() override {
        const QString script = qEnvironmentVariable("QUILLON_SOURCE_DIR") + "/tests/env/pulseaudio.sh";
        QProcess shell;
        shell.start("bash", {"-c",
                             "set -euo pipefail; cleanups=(); source \"$1\" >&2; "
                             "echo \"$XDG_RUNTIME_DIR\"; echo \"$PULSE_SERVER\"; echo \"${cleanups[*]}\"",
                             "pulseaudio-env", script});
        ASSERT_TRUE(shell.waitForFinished(30000)) << "tests/env/pulseaudio.sh did not finish";
        ASSERT_EQ(shell.exitCode(), 0) << "PulseAudio could not be started (packages of deps/test-audio.txt?): "
                                       << shell.readAllStandardError().toStdString();
        const QStringList lines = QString::fromUtf8(shell.readAllStandardOutput()).split('\n');
        ASSERT_GE(lines.size(), 3);
        qputenv("XDG_RUNTIME_DIR", lines[0].toUtf8());
        qputenv("PULSE_SERVER", lines[1].toUtf8());
        if (lines[2].startsWith("kill "))
            m_startedPid = lines[2].mid(5).toInt();
    }

    void TearDown() override {
        if (m_startedPid > 0)
            ::kill(m_startedPid, SIGTERM);
    }

private:
    int m_startedPid = 0;
};

const auto* const pulse = ::testing::AddGlobalTestEnvironment(new PulseServer);

} // namespace

TEST(PulseAudio, RecordsTheToneOurPlayerPlaysIntoTheNullSink) {
    qunsetenv("QUILLON_AUDIO_SOURCE");
    QTemporaryDir dir;
    const QString tonePath = dir.filePath("tone.wav");
    writeWav(tonePath, tone(1000, 8000, 3));

    AudioRecorder recorder;
    ASSERT_TRUE(recorder.setFormat(1, 8000, 16));
    ASSERT_TRUE(recorder.start(dir.filePath("recording.wav"))) << recorder.lastError().toStdString();
    AudioPlayer player;
    QSignalSpy finished(&player, &AudioPlayer::finished);
    ASSERT_TRUE(player.play(tonePath));
    ASSERT_TRUE(waitUntil([&] { return finished.count() == 1; }, 15000));
    ASSERT_TRUE(recorder.save(dir.filePath("recorded.wav"), false)) << recorder.lastError().toStdString();
    EXPECT_TRUE(recorder.captureError().isEmpty()) << recorder.captureError().toStdString();

    const QByteArray file = readFile(dir.filePath("recorded.wav"));
    ASSERT_GT(file.size(), 44 + 3 * 16000);
    EXPECT_EQ(file.mid(0, 4), "RIFF");
    EXPECT_EQ(file.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(le16(file, 20), 1u);
    EXPECT_EQ(le16(file, 22), 1u);
    EXPECT_EQ(le32(file, 24), 8000u);
    EXPECT_EQ(le32(file, 28), 16000u);
    EXPECT_EQ(le16(file, 32), 2u);
    EXPECT_EQ(le16(file, 34), 16u);
    EXPECT_EQ(le32(file, 40), quint32(file.size() - 44));
    EXPECT_EQ(le32(file, 40), recorder.recordedBytes());

    const std::vector<double> samples = samplesOf(file.mid(44));
    EXPECT_GT(rms(samples), 1000) << "the recording is silent";
    const double frequency = dominantFrequency(samples, 8000);
    EXPECT_NEAR(frequency, 1000, 20);
}
