// The player: plays a file once without blocking, stops on demand, ignores what it cannot play.
#include "AudioTestTools.h"

#include "recording/AudioPlayer.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace audiotest;

namespace {

class Player : public ::testing::Test {
protected:
    QString writeTone(const QString& name, double seconds) {
        const QString path = dir.filePath(name);
        writeWav(path, tone(1000, 8000, seconds));
        return path;
    }

    QTemporaryDir dir;
    AudioPlayer player;
};

} // namespace

TEST_F(Player, PlaysAFileOnceWithoutBlocking) {
    const QString path = writeTone("询问录音.wav", 0.5);
    QSignalSpy finished(&player, &AudioPlayer::finished);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(player.play(path));
    EXPECT_TRUE(player.isPlaying());
    EXPECT_EQ(finished.count(), 0);
    ASSERT_TRUE(waitUntil([&] { return finished.count() == 1; }));
    // Played in real time to its end, not broken off by an error.
    EXPECT_GE(clock.elapsed(), 450);
    EXPECT_FALSE(player.isPlaying());
}

TEST_F(Player, StopEndsPlaybackAndIsHarmlessWhenIdle) {
    player.stop();
    EXPECT_FALSE(player.isPlaying());

    QSignalSpy finished(&player, &AudioPlayer::finished);
    ASSERT_TRUE(player.play(writeTone("long.wav", 30)));
    player.stop();
    EXPECT_FALSE(player.isPlaying());
    player.stop();

    // A later play ends on its own; the stopped one never reports an end.
    ASSERT_TRUE(player.play(writeTone("short.wav", 0.2)));
    ASSERT_TRUE(waitUntil([&] { return finished.count() >= 1; }));
    EXPECT_EQ(finished.count(), 1);
    EXPECT_FALSE(player.isPlaying());
}

TEST_F(Player, MissingEmptyOrBrokenFilesPlayNothing) {
    EXPECT_FALSE(player.play(dir.filePath("missing.wav")));
    EXPECT_FALSE(player.isPlaying());

    QFile empty(dir.filePath("empty.wav"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    EXPECT_FALSE(player.play(empty.fileName()));
    EXPECT_FALSE(player.isPlaying());

    // Not a sound at all: playback breaks off by itself without anyone being told more.
    QFile text(dir.filePath("notes.wav"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("this is not a recording\r\n");
    text.close();
    QSignalSpy finished(&player, &AudioPlayer::finished);
    player.play(text.fileName());
    ASSERT_TRUE(waitUntil([&] { return !player.isPlaying(); }));
}

TEST_F(Player, PlaysFromAMomentIntoTheFile) {
    const QString path = writeTone("询问录音.wav", 30);
    ASSERT_TRUE(player.play(path, 20000));
    qint64 position = -1;
    ASSERT_TRUE(waitUntil([&] { return (position = player.positionMs()) >= 0; }));
    EXPECT_NEAR(double(position), 20000.0, 1000.0);
    // A moment past the end is no place to play from.
    EXPECT_FALSE(player.play(path, 60000));
    EXPECT_FALSE(player.isPlaying());
}
