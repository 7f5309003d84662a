// Capture file names: the date-time text in the BL directory, and a suffix instead of overwriting.
#include "recording/CaptureFileName.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QDateTime at(int hour, int minute, int second)
{
    return QDateTime(QDate(2012, 11, 30), QTime(hour, minute, second));
}

void touch(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

TEST(CaptureFileName, NamesFollowTheDateTimeTextDownToTheLastNonZeroField)
{
    const QString bl = QStringLiteral("/opt/quillon/BL");
    EXPECT_EQ(captureFileName(bl, at(9, 5, 7)), QStringLiteral("/opt/quillon/BL/2012年11月30日9时5分7秒.avi"));
    EXPECT_EQ(captureFileName(bl, at(9, 5, 0)), QStringLiteral("/opt/quillon/BL/2012年11月30日9时5分.avi"));
    EXPECT_EQ(captureFileName(bl, at(14, 0, 0)), QStringLiteral("/opt/quillon/BL/2012年11月30日14时.avi"));
    EXPECT_EQ(captureFileName(bl, at(0, 0, 0)), QStringLiteral("/opt/quillon/BL/2012年11月30日.avi"));
    // Seconds alone still bring the hour and minute along, zeros included.
    EXPECT_EQ(captureFileName(bl, at(0, 0, 9)), QStringLiteral("/opt/quillon/BL/2012年11月30日0时0分9秒.avi"));
}

TEST(CaptureFileName, ASecondCaptureInTheSameSecondGetsTheNextFreeSuffix)
{
    QTemporaryDir dir;
    const QString base = dir.path() + QStringLiteral("/2012年11月30日14时");
    touch(base + QStringLiteral(".avi"));
    EXPECT_EQ(captureFileName(dir.path(), at(14, 0, 0)), base + QStringLiteral("(2).avi"));
    touch(base + QStringLiteral("(2).avi"));
    EXPECT_EQ(captureFileName(dir.path(), at(14, 0, 0)), base + QStringLiteral("(3).avi"));
    // Another second is free again.
    EXPECT_EQ(captureFileName(dir.path(), at(14, 0, 1)), dir.path() + QStringLiteral("/2012年11月30日14时0分1秒.avi"));
}

} // namespace
