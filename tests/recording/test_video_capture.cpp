// The capture component against real GStreamer pipelines fed by videotestsrc: complete AVI files,
// the live preview, the time burned into the pictures, failures that leave no file, a source that
// ends, and the end of the component.
// Restarts and errors during a capture are tested through the menu (test_video_menu).
#include "recording/VideoCapture.h"

#include "VideoFileFacts.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace {

const QString kSource = QStringLiteral("videotestsrc is-live=true ! video/x-raw,width=320,height=240,framerate=15/1");

class VideoCaptureTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files); }
    static bool waitForFrames(const VideoCapture& capture, int count) {
        return QTest::qWaitFor([&] { return capture.framesShown() >= count; }, 10000);
    }

    QTemporaryDir dir;
    QLabel preview;
};

TEST_F(VideoCaptureTest, TwoSecondCaptureIsAFinishedMotionJpegAviOfThatLengthWithLivePreview) {
    preview.resize(165, 100);
    VideoCapture capture(kSource);
    capture.setPreview(&preview);
    const QString file = path(QStringLiteral("capture.avi"));

    const VideoCapture::Result started = capture.start(file);
    ASSERT_TRUE(started) << started.error.toStdString();
    QElapsedTimer captured;
    captured.start();
    EXPECT_TRUE(capture.isCapturing());
    EXPECT_EQ(capture.file(), file);
    // The capture itself must last two seconds; the wait ends on the clock, not on a sleep.
    ASSERT_TRUE(QTest::qWaitFor([&] { return captured.elapsed() >= 2000; }, 5000));
    const double seconds = captured.elapsed() / 1000.0;
    const VideoCapture::Result stopped = capture.stop();
    ASSERT_TRUE(stopped) << stopped.error.toStdString();
    EXPECT_FALSE(capture.isCapturing());

    expectFinishedAvi(file);
    const DiscovererFacts facts = discover(file);
    ASSERT_TRUE(facts.ran) << facts.output.toStdString();
    EXPECT_EQ(facts.videoCodec, QStringLiteral("Motion JPEG")) << facts.output.toStdString();
    EXPECT_LT(std::abs(facts.durationSeconds - seconds), 0.1 * seconds)
        << "captured " << seconds << " s, file lasts " << facts.durationSeconds << " s";

    // The preview showed the source's own picture at the label's size, the 4:3 picture kept in
    // proportion (133 × 100 in the middle): the test pattern's first bar is light grey, its last blue.
    EXPECT_GE(capture.framesShown(), 10);
    const QImage shown = preview.pixmap().toImage();
    ASSERT_EQ(shown.size(), QSize(165, 100));
    const QColor left = shown.pixelColor(25, 10);
    const QColor right = shown.pixelColor(142, 10);
    EXPECT_GT(left.red(), 150);
    EXPECT_GT(left.green(), 150);
    EXPECT_GT(left.blue(), 150);
    EXPECT_LT(right.red(), 60);
    EXPECT_LT(right.green(), 60);
    EXPECT_GT(right.blue(), 150);
}

TEST_F(VideoCaptureTest, PicturesCarryTheTimeInTheTopLeftCornerUnlessTheOverlayIsOff) {
    const auto captureInto = [&](const QString& name, bool overlay) {
        VideoCapture capture(kSource);
        capture.setPreview(&preview);
        capture.setTimeOverlay(overlay);
        const QString file = path(name);
        EXPECT_TRUE(capture.start(file));
        EXPECT_TRUE(waitForFrames(capture, 3));
        EXPECT_TRUE(capture.stop());
        expectFinishedAvi(file);
        return firstPicture(file);
    };
    const QImage stamped = captureInto(QStringLiteral("stamped.avi"), true);
    const QImage plain = captureInto(QStringLiteral("plain.avi"), false);
    ASSERT_EQ(stamped.size(), QSize(320, 240));
    ASSERT_EQ(plain.size(), QSize(320, 240));

    // The test pattern is the same in both; only the shaded band of the date and time near the top
    // left corner differs. Below it the bars and the strip under them are compared, and the bars
    // right of it (the noise of the pattern's last corner changes from picture to picture).
    const QRect band(20, 24, 140, 20);
    const QRect below(0, 60, 320, 120);
    const QRect right(180, 0, 140, 60);
    EXPECT_GT(meanDifference(stamped, plain, band), 20.0);
    EXPECT_LT(meanDifference(stamped, plain, below), 3.0);
    EXPECT_LT(meanDifference(stamped, plain, right), 3.0);
}

TEST_F(VideoCaptureTest, StopWhileIdleDoesNothing) {
    VideoCapture capture(kSource);
    EXPECT_TRUE(capture.stop());
    EXPECT_FALSE(capture.isCapturing());
    EXPECT_TRUE(files().isEmpty());
}

TEST_F(VideoCaptureTest, SourcesThatCannotStartAreReportedAndLeaveNoFile) {
    const QStringList sources{
        QStringLiteral("nosuchvideosource"),                                            // no such element
        QStringLiteral("v4l2src device=/dev/quillon-missing-camera"),                   // the device is not there
        QStringLiteral("videotestsrc is-live=true ! video/x-raw,format=NV12,width=-3"), // cannot negotiate
        QString(),                                                                      // no capture device at all
    };
    for (const QString& source : sources) {
        SCOPED_TRACE(source.toStdString());
        VideoCapture capture(source);
        const VideoCapture::Result started = capture.start(path(QStringLiteral("x.avi")));
        EXPECT_FALSE(started);
        EXPECT_FALSE(started.error.isEmpty());
        EXPECT_FALSE(capture.isCapturing());
        EXPECT_TRUE(files().isEmpty()) << files().join(u' ').toStdString();
    }
}

TEST_F(VideoCaptureTest, AnExistingFileIsNeverWrittenOver) {
    const QString file = path(QStringLiteral("earlier.avi"));
    QFile earlier(file);
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier capture");
    earlier.close();

    VideoCapture capture(kSource);
    EXPECT_FALSE(capture.start(file));
    EXPECT_FALSE(capture.isCapturing());
    ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
    EXPECT_EQ(earlier.readAll(), "earlier capture");
}

TEST_F(VideoCaptureTest, ASourceThatEndsByItselfEndsTheCaptureWithAFinishedFile) {
    VideoCapture capture(QStringLiteral("videotestsrc is-live=true num-buffers=10 ! video/x-raw,framerate=15/1"));
    QSignalSpy interrupted(&capture, &VideoCapture::interrupted);
    const QString file = path(QStringLiteral("ended.avi"));

    ASSERT_TRUE(capture.start(file));
    ASSERT_TRUE(interrupted.wait(10000));
    EXPECT_FALSE(capture.isCapturing());
    expectFinishedAvi(file);
    EXPECT_EQ(readAviFacts(file).storedFrames, 10);
}

TEST_F(VideoCaptureTest, DestroyingTheComponentFinishesTheRunningCapture) {
    const QString file = path(QStringLiteral("closing.avi"));
    {
        VideoCapture capture(kSource);
        capture.setPreview(&preview);
        ASSERT_TRUE(capture.start(file));
        ASSERT_TRUE(waitForFrames(capture, 5));
    }
    expectFinishedAvi(file);
}

} // namespace
