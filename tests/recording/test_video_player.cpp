// "录像播放", the program's own player of captures, on the real program with real GStreamer
// pipelines: a capture made from videotestsrc plays from a moment into it, pauses, moves by the
// slider and ends with its window; files that cannot be played are named in the message.
#include "TestProgram.h"

#include "recording/VideoCapture.h"
#include "recording/VideoPlayer.h"
#include "recording/VideoPlayerHandlers.h"
#include "ui/VideoPlayerWindow.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace {

const QString kSource = QStringLiteral("videotestsrc is-live=true ! video/x-raw,width=320,height=240,framerate=15/1");

class VideoPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(t.start());
        t.w().时钟2->stop();
    }
    VideoPlayer& player() { return t.program.components().videoPlayer; }
    VideoPlayerWindow& pw() { return t.program.components().videoPlayerWindow; }
    QString capture(int seconds) {
        const QString file = t.env.root.filePath(QStringLiteral("录像.avi"));
        VideoCapture capture(kSource);
        EXPECT_TRUE(capture.start(file));
        QElapsedTimer captured;
        captured.start();
        EXPECT_TRUE(QTest::qWaitFor([&] { return captured.elapsed() >= seconds * 1000; }, seconds * 1000 + 5000));
        EXPECT_TRUE(capture.stop());
        return file;
    }

    TestProgram t;
};

TEST_F(VideoPlayerTest, PlaysACaptureFromAMomentIntoItPausesAndMovesByTheSlider) {
    const QString file = capture(4);
    ASSERT_TRUE(PlayCaptureInWindow(pw(), t.env.services, player(), file, 2000))
        << t.env.dialogs.messageTexts().join(u'\n').toStdString();
    EXPECT_TRUE(pw().isVisible());

    // Once it plays, the window shows the picture at the position it is given, within a second of
    // the moment asked for.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !pw().视频画面->pixmap().isNull() && player().positionMs() >= 0; }, 10000));
    const qint64 position = player().positionMs();
    EXPECT_NEAR(double(position), 2000.0, 1000.0);
    EXPECT_EQ(pw().滑块条位置->maximum(), int(player().durationMs() / 1000));
    EXPECT_LE(std::abs(pw().滑块条位置->value() - 2), 1);
    EXPECT_TRUE(pw().标签时间->text().startsWith(QStringLiteral("00:00:0"))) << pw().标签时间->text().toStdString();
    EXPECT_TRUE(pw().标签时间->text().endsWith(QStringLiteral(" / 00:00:0%1").arg(player().durationMs() / 1000)));
    // The test pattern's own picture: its first bar is light grey, its last blue.
    const QImage shown = pw().视频画面->pixmap().toImage();
    const QColor left = shown.pixelColor(shown.width() * 7 / 100, shown.height() / 2);
    const QColor right = shown.pixelColor(shown.width() * 93 / 100, shown.height() / 2);
    EXPECT_GT(left.red(), 150);
    EXPECT_GT(left.blue(), 150);
    EXPECT_LT(right.red(), 60);
    EXPECT_GT(right.blue(), 150);

    QTest::mouseClick(pw().按钮录像播放, Qt::LeftButton);
    EXPECT_TRUE(player().isPaused());
    EXPECT_EQ(pw().按钮录像播放->text(), QStringLiteral("播放"));
    // Paused, the slider's key moves the picture back to the first second.
    pw().滑块条位置->setFocus();
    pw().滑块条位置->setValue(2);
    QTest::keyClick(pw().滑块条位置, Qt::Key_Left);
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::abs(player().positionMs() - 1000) < 100; }, 10000))
        << player().positionMs();
    EXPECT_TRUE(player().isPaused());

    QTest::mouseClick(pw().按钮关闭, Qt::LeftButton);
    EXPECT_FALSE(pw().isVisible());
    EXPECT_FALSE(player().isOpen());
    EXPECT_TRUE(t.env.dialogs.messages().isEmpty()) << t.env.dialogs.messageTexts().join(u'\n').toStdString();
}

TEST_F(VideoPlayerTest, FilesThatCannotBePlayedAreNamedInTheMessage) {
    const QString missing = t.env.root.filePath(QStringLiteral("没有的录像.avi"));
    EXPECT_FALSE(PlayCaptureInWindow(pw(), t.env.services, player(), missing, 5000));
    const QString damaged = t.env.root.filePath(QStringLiteral("坏的录像.avi"));
    writeFile(damaged, QByteArray("RIFF\x10\x00\x00\x00"
                                  "AVI nothing of a capture",
                                  32));
    EXPECT_FALSE(PlayCaptureInWindow(pw(), t.env.services, player(), damaged, 0));

    QStringList texts;
    for (const ShownBox& box : t.env.dialogs.messages())
        texts << box.text;
    ASSERT_EQ(texts.size(), 2);
    EXPECT_EQ(texts[0], QStringLiteral("录像 <%1> 无法从 00:00:05 播放：文件不存在。").arg(missing));
    EXPECT_TRUE(texts[1].startsWith(QStringLiteral("录像 <%1> 无法从 00:00:00 播放：").arg(damaged)))
        << texts[1].toStdString();
    EXPECT_GT(texts[1].size(), QStringLiteral("录像 <%1> 无法从 00:00:00 播放：。").arg(damaged).size());
    EXPECT_FALSE(player().isOpen());
    EXPECT_FALSE(pw().isVisible());
}

} // namespace
