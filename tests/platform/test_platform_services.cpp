// The small platform stand-ins: date-time text, programs run and waited for, desktop launcher,
// registry store, program directory.
#include "SmallFilesystem.h"
#include "TestServices.h"
#include "platform/DateTimeText.h"
#include "platform/DesktopLauncher.h"
#include "platform/ProductVersion.h"
#include "platform/ProgramDir.h"
#include "platform/Registry.h"
#include "platform/Shell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/stat.h>

TEST(DateTimeText, LeavesOutZeroPartsFromTheRight) {
    const QDate d(2012, 11, 30);
    EXPECT_EQ(datetimetext::full(QDateTime(d, QTime(9, 5, 7))), "2012年11月30日9时5分7秒");
    EXPECT_EQ(datetimetext::full(QDateTime(d, QTime(9, 5, 0))), "2012年11月30日9时5分");
    EXPECT_EQ(datetimetext::full(QDateTime(d, QTime(14, 0, 0))), "2012年11月30日14时");
    EXPECT_EQ(datetimetext::full(QDateTime(d, QTime(0, 0, 0))), "2012年11月30日");
    // A zero hour with minutes still shows the hour.
    EXPECT_EQ(datetimetext::full(QDateTime(QDate(2013, 2, 3), QTime(0, 0, 9))), "2013年2月3日0时0分9秒");
    EXPECT_EQ(datetimetext::timePart(QDateTime(d, QTime(0, 30, 0))), "0时30分");
}

// A process that is gone, or a zombie nobody has reaped yet.
bool processGone(pid_t pid) {
    if (::kill(pid, 0) != 0)
        return true;
    const QByteArray stat = readFile(QStringLiteral("/proc/%1/stat").arg(pid));
    return stat.mid(stat.lastIndexOf(')') + 2, 1) == "Z";
}

TEST(DesktopShell, RunProgramGivesTheExitCodeAndKillsWhatItStartedAtTheTimeLimit) {
    DesktopShell shell;
    EXPECT_EQ(shell.runProgram({"no-such-program-here", "sh"}, {"-c", "exit 3"}, 60000), 3);
    EXPECT_EQ(shell.runProgram({"no-such-program-here"}, {}, 60000), std::nullopt);

    // A launcher whose helper outlives it unless the whole group is killed; the window's events are
    // handled meanwhile.
    QTemporaryDir dir;
    const QString pidFile = dir.filePath("helper.pid");
    bool eventsHandled = false;
    QTimer::singleShot(0, [&] { eventsHandled = true; });
    EXPECT_EQ(shell.runProgram({"sh"}, {"-c", QStringLiteral("sleep 600 & echo $! > %1; wait").arg(pidFile)}, 2000),
              std::nullopt);
    EXPECT_TRUE(eventsHandled);
    const pid_t helper = readFile(pidFile).trimmed().toInt();
    ASSERT_GT(helper, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return processGone(helper); }, 10000));
}

TEST(DesktopLauncher, WritesAnExecutableLauncherAndReplacesTheOldOne) {
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

    // A target without a folder cannot be a launcher's target; the earlier launcher stays as it was.
    const QByteArray earlier = readFile(shortcut + ".desktop");
    EXPECT_FALSE(desktop::makeShortcut(shortcut, "quillon", QString(), QString(), 0, QString(), QString()));
    EXPECT_EQ(readFile(shortcut + ".desktop"), earlier);
}

TEST(IniRegistry, StoresValuesExactlyAndReadableByTheOwnerOnly) {
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
    EXPECT_FALSE(QFile::permissions(dir.filePath("config/quillon")) &
                 (QFileDevice::ReadOther | QFileDevice::ReadGroup));

    // A flag edited by hand is read as it stands.
    writeFile(path, "[Software\\ORV]\r\nTESK= 1\r\n");
    EXPECT_EQ(registry.read("TESK"), " 1");

    // The folder and the file keep the modes their owner gave them; a read-only store is left alone.
    const QByteArray folder = QFile::encodeName(dir.filePath("config/quillon"));
    ::chmod(folder.constData(), 0500);
    ASSERT_TRUE(registry.write("TESK", "0"));
    ::chmod(QFile::encodeName(path).constData(), 0400);
    const QByteArray kept = readFile(path);
    const durable::Result readOnly = registry.write("TESK", "1");
    EXPECT_EQ(readOnly.cause, durable::Cause::ReadOnlyFile);
    EXPECT_EQ(readOnly.text(), "文件是只读的");
    EXPECT_EQ(readFile(path), kept);
    struct stat file {};
    struct stat store {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &file), 0);
    ASSERT_EQ(::stat(folder.constData(), &store), 0);
    EXPECT_EQ(file.st_mode & 07777, 0400u);
    EXPECT_EQ(store.st_mode & 07777, 0500u);
    ::chmod(folder.constData(), 0700);

    writeFile(dir.filePath("file"), "x");
    IniRegistry broken(dir.filePath("file/registry.ini"));
    EXPECT_EQ(broken.write("TESK", "1").cause, durable::Cause::NotAFolder);
}

TEST(ProgramDir, PortableBesideTheProgramElseAUserFolderSeededOnce) {
    QTemporaryDir root;
    qputenv("QUILLON_HOME", root.path().toUtf8() + "/sub/../");
    EXPECT_EQ(programdir::resolve().dir, root.path());
    qunsetenv("QUILLON_HOME");
    EXPECT_EQ(programdir::blDir("/p"), "/p/BL");
    EXPECT_EQ(programdir::settingsPath("/p"), "/p/set.ini");

    // The build tree and a portable copy keep everything beside the executable.
    const QString data = root.filePath("home/.local/share");
    QDir().mkpath(root.filePath("portable"));
    writeFile(root.filePath("portable/set.ini"), "[pop]\r\n");
    EXPECT_EQ(programdir::resolve({}, root.filePath("portable"), data).dir, root.filePath("portable"));
    EXPECT_FALSE(QFileInfo::exists(data));

    // Installed: the executable's folder is left alone even where it is writable, as for root.
    const QString bin = root.filePath("usr/bin");
    const QString starters = QDir::cleanPath(bin + '/' + product::kStarterFolderFromExecutable);
    QDir().mkpath(bin);
    QDir().mkpath(starters);
    for (const QString& name : programdir::starterFiles())
        writeFile(starters + '/' + name, "starter " + name.toUtf8());
    const programdir::Location installed = programdir::resolve({}, bin, data);
    EXPECT_EQ(installed.dir, data + "/quillon");
    EXPECT_EQ(installed.problem, "");
    for (const QString& name : programdir::starterFiles())
        EXPECT_EQ(readFile(installed.dir + '/' + name), "starter " + name.toUtf8()) << name.toStdString();
    EXPECT_EQ(QFile::permissions(installed.dir) & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0);
    EXPECT_FALSE(QFileInfo::exists(bin + "/BL"));

    // An upgrade's new starter set.ini leaves the user's own alone; a deleted help file comes back.
    writeFile(installed.dir + "/set.ini", "mine");
    writeFile(starters + "/set.ini", "upgraded");
    QFile::remove(installed.dir + "/帮助.txt");
    EXPECT_EQ(programdir::resolve({}, bin, data).problem, "");
    EXPECT_EQ(readFile(installed.dir + "/set.ini"), "mine");
    EXPECT_EQ(readFile(installed.dir + "/帮助.txt"), "starter 帮助.txt");

    // A folder that cannot be made is reported with its cause: a file stands where a folder should.
    writeFile(root.filePath("file"), "x");
    EXPECT_EQ(
        programdir::resolve({}, bin, root.filePath("file")).problem,
        QStringLiteral(" 无法建立程序目录 <%1/>：同名的文件占用了目录的位置 ").arg(root.filePath("file/quillon")));
}

TEST(ProgramDir, StarterFilesThatDoNotFitAreNamedAndLeaveNothingHalfWritten) {
    SmallFilesystem fs(64);
    REQUIRE_SMALL_FILESYSTEM(fs);
    QTemporaryDir root;
    const QString bin = root.filePath("usr/bin");
    const QString starters = QDir::cleanPath(bin + '/' + product::kStarterFolderFromExecutable);
    QDir().mkpath(bin);
    QDir().mkpath(starters);
    writeFile(starters + "/set.ini", QByteArray(128 * 1024, 'x'));
    writeFile(starters + "/帮助.txt", "help");

    const programdir::Location location = programdir::resolve({}, bin, fs.path());
    EXPECT_EQ(location.problem,
              QStringLiteral(" 程序的初始文件没有复制到程序目录 <%1/> 中：set.ini（磁盘空间已满） ").arg(location.dir));
    EXPECT_FALSE(QFileInfo::exists(location.dir + "/set.ini"));
    EXPECT_EQ(readFile(location.dir + "/帮助.txt"), "help");
    EXPECT_EQ(QDir(location.dir).entryList(QDir::Files), QStringList{"帮助.txt"});
}
