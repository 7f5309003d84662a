// Capture file names: the date-time text in the BL directory, and the suffix of a later capture in the same second.
#include "recording/CaptureFileName.h"

#include <gtest/gtest.h>

namespace {

QDateTime at(int hour, int minute, int second) {
    return QDateTime(QDate(2012, 11, 30), QTime(hour, minute, second));
}

TEST(CaptureFileName, NamesFollowTheDateTimeTextDownToTheLastNonZeroField) {
    const QString bl = QStringLiteral("/opt/quillon/BL");
    EXPECT_EQ(captureFileName(bl, at(9, 5, 7)), QStringLiteral("/opt/quillon/BL/2012年11月30日9时5分7秒.avi"));
    EXPECT_EQ(captureFileName(bl, at(9, 5, 0)), QStringLiteral("/opt/quillon/BL/2012年11月30日9时5分.avi"));
    EXPECT_EQ(captureFileName(bl, at(14, 0, 0)), QStringLiteral("/opt/quillon/BL/2012年11月30日14时.avi"));
    EXPECT_EQ(captureFileName(bl, at(0, 0, 0)), QStringLiteral("/opt/quillon/BL/2012年11月30日.avi"));
    // Seconds alone still bring the hour and minute along, zeros included.
    EXPECT_EQ(captureFileName(bl, at(0, 0, 9)), QStringLiteral("/opt/quillon/BL/2012年11月30日0时0分9秒.avi"));
    // Further captures of the same second.
    EXPECT_EQ(captureFileName(bl, at(14, 0, 0), 2), QStringLiteral("/opt/quillon/BL/2012年11月30日14时(2).avi"));
    EXPECT_EQ(captureFileName(bl, at(9, 5, 7), 3), QStringLiteral("/opt/quillon/BL/2012年11月30日9时5分7秒(3).avi"));
}

} // namespace
