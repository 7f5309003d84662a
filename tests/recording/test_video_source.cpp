// The capture source chosen at start-up: the environment's description, else the first capture device.
#include "recording/VideoSource.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

TEST(VideoSource, TheEnvironmentDescriptionWinsTrimmed) {
    qputenv("QUILLON_VIDEO_SOURCE", "  videotestsrc is-live=true ! video/x-raw,width=640  ");
    EXPECT_EQ(videosource::description(), QStringLiteral("videotestsrc is-live=true ! video/x-raw,width=640"));
    qunsetenv("QUILLON_VIDEO_SOURCE");
}

TEST(VideoSource, WithoutItTheFirstCaptureDeviceIsUsedOrNothing) {
    qputenv("QUILLON_VIDEO_SOURCE", "   ");
    const QString device = videosource::firstCaptureDevice();
    if (device.isEmpty()) {
        EXPECT_TRUE(videosource::description().isEmpty());
    } else {
        EXPECT_TRUE(QFileInfo(device).exists());
        EXPECT_EQ(videosource::description(), QStringLiteral("v4l2src device=\"%1\"").arg(device));
    }
    qunsetenv("QUILLON_VIDEO_SOURCE");
}

} // namespace
