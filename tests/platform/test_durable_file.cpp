// The durable write path on a real, nearly full filesystem: a write either lands whole or leaves the
// earlier file byte for byte, and says why.
#include "SmallFilesystem.h"
#include "TestServices.h"
#include "platform/DurableFile.h"
#include "platform/SaveIntent.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ctime>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

namespace {

QByteArray pattern(int size, char seed) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(seed + i % 251);
    return bytes;
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

TEST(DurableFile, NearlyFullDiskKeepsTheEarlierFileOrWritesTheWholeNewOne) {
    SmallFilesystem fs;
    REQUIRE_SMALL_FILESYSTEM(fs);
    const QString path = fs.path() + "/transcript.doc";
    const QByteArray earlier = pattern(16 * 1024, 'a');
    const QByteArray later = pattern(20 * 1024 + 17, 'k');
    for (const qint64 free : {0, 1, 2, 3, 5, 8}) {
        ASSERT_TRUE(durable::writeFile(path, earlier)) << "room for the first save";
        fs.leaveFree(free);
        const durable::Result r = durable::writeFile(path, later);
        if (r) {
            EXPECT_EQ(readFile(path), later) << free << " blocks free";
        } else {
            EXPECT_EQ(r.cause, durable::Cause::DiskFull) << free << " blocks free: " << r.text().toStdString();
            EXPECT_EQ(r.text(), "磁盘空间已满");
            EXPECT_EQ(readFile(path), earlier) << free << " blocks free";
        }
        EXPECT_EQ(entries(fs.path()), (QStringList{".filler", "transcript.doc"})) << "no temporary file left";
        fs.unfill();
        EXPECT_EQ(free >= 8, r.ok()) << free << " blocks free";
    }
}

TEST(DurableFile, NameTooLongIsNamedBeforeAnythingIsWritten) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/" + QString(100, QChar(0x738B)) + ".ini"; // 300 bytes in UTF-8
    const durable::Result r = durable::writeFile(path, "x");
    EXPECT_EQ(r.cause, durable::Cause::NameTooLong);
    EXPECT_EQ(r.text(), "文件名太长");
    EXPECT_TRUE(entries(dir.path()).isEmpty());
    EXPECT_EQ(durable::writeFile(dir.path() + "/no/such/folder.ini", "x").cause, durable::Cause::NoFolder);
}

TEST(DurableFile, NewFilesFollowTheUmaskAndReplacedFilesKeepTheirPermissions) {
    QTemporaryDir dir;
    const auto modeOf = [](const QString& path) {
        struct stat st {};
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 0777 : 0u;
    };
    const QString path = dir.path() + "/registry.ini";
    ASSERT_TRUE(durable::writeFile(path, "a", 0600));
    EXPECT_EQ(modeOf(path), 0600u);
    ::chmod(QFile::encodeName(path).constData(), 0640);
    ASSERT_TRUE(durable::writeFile(path, "b"));
    EXPECT_EQ(modeOf(path), 0640u);

    const mode_t before = ::umask(027);
    const bool written = durable::writeFile(dir.path() + "/new.ini", "c").ok();
    ::umask(before);
    ASSERT_TRUE(written);
    EXPECT_EQ(modeOf(dir.path() + "/new.ini"), 0640u);
}

TEST(DurableFile, MoveAcrossFilesystemsCopiesVerifiesAndKeepsTheSourceOnFailure) {
    SmallFilesystem fs;
    REQUIRE_SMALL_FILESYSTEM(fs);
    QTemporaryDir dir;
    const QString source = dir.path() + "/rec.wav";
    const QByteArray sound = pattern(64 * 1024, 'w');
    writeFile(source, sound);

    fs.leaveFree(2);
    const durable::Result full = durable::moveFile(source, fs.path() + "/rec.wav");
    EXPECT_EQ(full.cause, durable::Cause::DiskFull);
    EXPECT_EQ(readFile(source), sound) << "the source stays when the move fails";
    EXPECT_FALSE(QFile::exists(fs.path() + "/rec.wav"));

    fs.unfill();
    ASSERT_TRUE(durable::moveFile(source, fs.path() + "/rec.wav"));
    EXPECT_EQ(readFile(fs.path() + "/rec.wav"), sound);
    EXPECT_FALSE(QFile::exists(source));

    // A source that does not read back as it was copied (a file of /proc says its size is 0) fails
    // the check before the copy replaces anything.
    const QString target = fs.path() + "/status";
    writeFile(target, "earlier");
    const durable::Result changed = durable::copyFile("/proc/self/status", target);
    EXPECT_FALSE(changed.ok());
    EXPECT_EQ(readFile(target), "earlier");
    EXPECT_EQ(entries(fs.path()), (QStringList{"rec.wav", "status"})) << "no temporary file left";
}

TEST(DurableFile, AWriteRemovesWhatKilledProgramsLeftAndNothingOfARunningOne) {
    QTemporaryDir dir;
    const QString ours = QString::number(::getpid());
    const QString dead = "999999999"; // above any process id
    const auto make = [&](const QString& name) {
        writeFile(dir.filePath(name), "x");
        return dir.filePath(name);
    };
    make(".quillon-" + dead + "-stale1.part");
    make(".quillon-" + ours + "-ours1.part");
    // Held by its writer, whatever the process it names.
    const int held = ::open(QFile::encodeName(make(".quillon-" + dead + "-held1.part")).constData(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    // Still wanted by a save that was cut off: the next start finishes it with this file.
    const QString wanted = make(".quillon-" + dead + "-wanted1.part");
    const QString intent = dir.filePath(durable::intentFileName(dir.filePath("t.doc")));
    writeFile(intent, durable::encodeIntent(
                          {{{QByteArray(64, 'a'), wanted, dir.filePath("t.doc"), false, {}}}, {intent}}, dir.path()));
    // Earlier versions named no process: theirs go once they are ten minutes old.
    const QString old = make(".quillon-oldstyle1.part");
    const utimbuf tenMinutesAgo{std::time(nullptr) - 601, std::time(nullptr) - 601};
    ::utime(QFile::encodeName(old).constData(), &tenMinutesAgo);
    make(".quillon-newstyle1.part");
    make(".quillon-0123456789abcdef.lock");
    make(".quillon-notes.txt");

    ASSERT_TRUE(durable::writeFile(dir.filePath("a.ini"), "a"));
    ::close(held);
    QStringList kept{".quillon-" + dead + "-held1.part",
                     ".quillon-" + dead + "-wanted1.part",
                     ".quillon-" + ours + "-ours1.part",
                     ".quillon-newstyle1.part",
                     ".quillon-notes.txt",
                     QFileInfo(intent).fileName(),
                     "a.ini"};
    kept.sort();
    EXPECT_EQ(entries(dir.path()), kept);
}
