// The small platform stand-ins: date-time text, desktop launcher, registry store, program directory.
#include "TestServices.h"
#include "platform/DateTimeText.h"
#include "platform/DesktopLauncher.h"
#include "platform/ProgramDir.h"
#include "platform/Registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(DateTimeText, LeavesOutZeroPartsFromTheRight)
{
    const QDate d(2012, 11, 30);
    EXPECT_EQ(datetimetext::full(QDateTime(d, QTime(9, 5, 7))), "2012年11月30日9时5分7秒");
    EXPECT_EQ(datetimetext::full(QDateTime(d, QTime(9, 5, 0))), "2012年11月30日9时5分");
    EXPECT_EQ(datetimetext::full(QDateTime(d, QTime(14, 0, 0))), "2012年11月30日14时");
    EXPECT_EQ(datetimetext::full(QDateTime(d, QTime(0, 0, 0))), "2012年11月30日");
    // A zero hour with minutes still shows the hour.
    EXPECT_EQ(datetimetext::full(QDateTime(QDate(2013, 2, 3), QTime(0, 0, 9))), "2013年2月3日0时0分9秒");
    EXPECT_EQ(datetimetext::timePart(QDateTime(d, QTime(0, 30, 0))), "0时30分");
}

TEST(DesktopLauncher, WritesAnExecutableLauncherAndReplacesTheOldOne)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("opt/quillon/quillon");
    QDir().mkpath(dir.filePath("opt/quillon"));
    writeFile(dir.filePath("opt/quillon/quillon.png"), "png");
    const QString shortcut = dir.filePath("Quillon");
    writeFile(shortcut + ".desktop", "old launcher");

    ASSERT_TRUE(desktop::makeShortcut(shortcut, target, QString(), QString(), 0, QString(), QString()));
    const QString text = QString::fromUtf8(readFile(shortcut + ".desktop"));
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(text.contains("Exec=\"" + target + "\"\n"));
    EXPECT_TRUE(text.contains("Path=" + dir.filePath("opt/quillon/") + "\n"));
    EXPECT_TRUE(text.contains("Icon=" + dir.filePath("opt/quillon/quillon.png") + "\n"));
    EXPECT_FALSE(text.contains("old launcher"));
    EXPECT_TRUE(QFileInfo(shortcut + ".desktop").isExecutable());

    // A path that already names the launcher file is used as it is.
    ASSERT_TRUE(desktop::makeShortcut(dir.filePath("x.DESKTOP"), target, "-v", "/icon.png", 0, "d", ""));
    EXPECT_TRUE(QFile::exists(dir.filePath("x.DESKTOP")));
    EXPECT_TRUE(QString::fromUtf8(readFile(dir.filePath("x.DESKTOP"))).contains("Icon=/icon.png\n"));

    // A target without a folder cannot be a launcher's target; the old file is gone all the same.
    EXPECT_FALSE(desktop::makeShortcut(shortcut, "quillon", QString(), QString(), 0, QString(), QString()));
    EXPECT_FALSE(QFile::exists(shortcut + ".desktop"));
}

TEST(IniRegistry, StoresValuesExactlyAndReadableByTheOwnerOnly)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("config/quillon/registry.ini");
    IniRegistry registry(path);
    EXPECT_EQ(registry.read("TESK"), "");
    ASSERT_TRUE(registry.write("TESK", "1"));
    EXPECT_EQ(registry.read("tesk"), "1");
    // Quotes, blanks, "=", backslashes, line breaks and characters outside GBK come back as given.
    for (const QString& value : {QStringLiteral("\"q\""), QStringLiteral(" 密码 "), QStringLiteral("a=b;c"),
                                 QStringLiteral("C:\\new\\r\r\nx\\"), QStringLiteral("王䶮😀")}) {
        ASSERT_TRUE(registry.write("MIMA", value));
        EXPECT_EQ(registry.read("MIMA"), value);
        EXPECT_EQ(registry.read("TESK"), "1");
    }
    EXPECT_EQ(readFile(path).count('\n'), 3) << "every value on its own line";
    const auto permissions = QFile::permissions(path);
    EXPECT_TRUE(permissions.testFlags(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    EXPECT_FALSE(permissions & (QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther |
                                QFileDevice::WriteOther | QFileDevice::ExeOwner));
    EXPECT_FALSE(QFile::permissions(dir.filePath("config/quillon")) & (QFileDevice::ReadOther | QFileDevice::ReadGroup));

    // A flag edited by hand is read as it stands.
    writeFile(path, "[Software\\ORV]\r\nTESK= 1\r\n");
    EXPECT_EQ(registry.read("TESK"), " 1");

    writeFile(dir.filePath("file"), "x");
    IniRegistry broken(dir.filePath("file/registry.ini"));
    EXPECT_EQ(broken.write("TESK", "1").cause, durable::Cause::NoFolder);
}

TEST(ProgramDir, HomeVariableWinsAndPathsUseSlashes)
{
    QTemporaryDir dir;
    qputenv("QUILLON_HOME", dir.path().toUtf8() + "/sub/../");
    EXPECT_EQ(programdir::resolve(), dir.path());
    qunsetenv("QUILLON_HOME");
    EXPECT_EQ(programdir::blDir("/p"), "/p/BL");
    EXPECT_EQ(programdir::settingsPath("/p"), "/p/set.ini");
}
