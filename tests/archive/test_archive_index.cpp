// The inquiry index on the real SQLite: words of any length found anywhere in an inquiry, and an
// index that is deleted or overwritten rebuilt from the files with nothing lost.
#include "ArchiveFixture.h"
#include "SmallFilesystem.h"

#include "archive/Archive.h"
#include "archive/Database.h"
#include "archive/Locations.h"

#include <QRandomGenerator>

#include <algorithm>
#include <tuple>

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>

using namespace archivetest;

namespace {

QStringList interviewees(const QList<archive::InquiryRow>& rows) {
    QStringList names;
    for (const archive::InquiryRow& row : rows)
        names << row.interviewee;
    return names;
}

struct Notes {
    explicit Notes(archive::Archive& a) {
        QObject::connect(&a, &archive::Archive::statusNote, [this](const QString& text) { said << text; });
    }
    QStringList said;
};

std::unique_ptr<archive::Archive> openArchive(const QString& dir, QStringList* told) {
    return std::make_unique<archive::Archive>(dir, archive::Archive::Work::AtOnce,
                                              [told](const QString& text) { *told << text; });
}

// What the index says of an inquiry: its list row and how each of its files belongs to it.
QString describe(archive::Archive& a, const QString& inquiry) {
    const std::optional<archive::InquiryRow> row = a.inquiry(inquiry);
    if (!row)
        return QStringLiteral("(none)");
    QString text = QStringLiteral("%1 %2 pairs=%3 rec=%4 cap=%5 state=%6;")
                       .arg(row->interviewee, row->date)
                       .arg(row->pairs)
                       .arg(row->recordings)
                       .arg(row->captures)
                       .arg(int(row->state));
    for (const archive::FileRow& file : a.files(inquiry))
        text += QStringLiteral(" %1:%2:%3").arg(file.name).arg(int(file.how)).arg(int(file.state));
    return text + QStringLiteral("; lines=%1").arg(a.custodyLines(inquiry).size());
}

} // namespace

TEST(ArchiveIndex, FindsWordsOfOneTwoAndMoreCharactersAnywhereInAnInquiry) {
    QTemporaryDir home;
    const QString dir = home.path();
    const Inquiry wang{"2013.2.3", "9:05",
                       "10:30",    "王伟",
                       "宏达公司", "Kelmar市",
                       "李四",     {"问：工资发了吗？", "答：拖欠工资三个月了。", "问：伟明是谁？", "答：我同事。"}};
    const QString wangTemplate = writeTemplate(dir, wang);
    writeTemplate(dir, {"2013.3.1", "8:00", "9:00", "王小伟", "伟业商行", "Kelmar市", "李四", {}});
    writeTemplate(dir, {"2014.5.6",
                        "14:00",
                        "15:00",
                        "李明",
                        "汇丰ABC有限公司",
                        "Kelmar市",
                        "李四",
                        {"问：经理是谁？", "答：王伟是我们经理。"}});
    // An old version's template without num75 and num87, with a name outside GBK.
    writeTemplate(dir, {"2012.1.9", "8:00", "9:00", "吉𠮷", "个体", "Kelmar市", "李四", {}}, false);
    writeFile(dir + "/BL/坏了.ini", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));

    QStringList told;
    const auto a = openArchive(dir, &told);
    const auto find = [&](const QString& text) { return interviewees(a->search({text, {}, {}})); };

    EXPECT_EQ(find("王"), (QStringList{"李明", "王小伟", "王伟"}));
    EXPECT_EQ(find("王伟"), (QStringList{"李明", "王伟"}));
    EXPECT_EQ(find("伟"), (QStringList{"李明", "王小伟", "王伟"}));
    // Both pairs of the word are there, but not side by side.
    EXPECT_EQ(find("王伟明"), QStringList());
    EXPECT_EQ(find("三个月"), QStringList{"王伟"});
    EXPECT_EQ(find("拖欠工资"), QStringList{"王伟"});
    EXPECT_EQ(find("王伟 经理"), QStringList{"李明"});
    EXPECT_EQ(find("abc"), QStringList{"李明"});
    EXPECT_EQ(find("ＡＢＣ"), QStringList{"李明"});
    EXPECT_EQ(find("𠮷"), QStringList{"吉𠮷"});
    EXPECT_EQ(find("个体"), QStringList{"吉𠮷"});
    EXPECT_EQ(interviewees(a->search({{}, QDate(2013, 1, 1), QDate(2013, 12, 31)})), (QStringList{"王小伟", "王伟"}));

    const QList<archive::InquiryRow> all = a->search({});
    ASSERT_EQ(all.size(), 5);
    EXPECT_EQ(all.last().name, "坏了");
    EXPECT_TRUE(all.last().problem.contains("不是笔录模板")) << all.last().problem.toStdString();
    EXPECT_EQ(a->inquiry(baseName(wang))->pairs, 2);

    // The saved template replaces every term of the old one: a word that went is no longer found.
    Inquiry changed = wang;
    changed.pairs = QStringList{"问：工资发了吗？", "答：已经发了。"};
    writeTemplate(dir, changed);
    a->record({JournalEvent::Kind::Saved, baseName(wang), {wangTemplate}});
    EXPECT_EQ(find("拖欠"), QStringList());
    EXPECT_EQ(find("已经发"), QStringList{"王伟"});
    EXPECT_EQ(a->inquiry(baseName(wang))->pairs, 1);
    EXPECT_TRUE(told.isEmpty()) << told.join('\n').toStdString();
}

TEST(ArchiveIndex, AnIndexDeletedOrOverwrittenIsRebuiltWithEveryInquiryAndLink) {
    QTemporaryDir home;
    const QString dir = home.filePath("program");
    const Inquiry wang{"2013.2.3", "9:05", "10:30", "王伟", "宏达公司", "Kelmar市", "李四", {"问：你好？", "答：好。"}};
    const Inquiry li{"2013.2.4", "14:00", "15:00", "李明", "伟业商行", "Kelmar市", "李四", {}};
    const QString wangTemplate = writeTemplate(dir, wang);
    writeTemplate(dir, li);
    // Recordings are saved wherever the user likes.
    const QString recording = writeEvidence(home.filePath("录音/询问录音.wav"));
    const QString inWindow = writeEvidence(dir + "/BL/2013年2月3日9时30分.avi");
    const QString outside = writeEvidence(dir + "/BL/2013年2月3日11时.avi");

    QStringList told;
    auto a = openArchive(dir, &told);
    ASSERT_EQ(a->search({}).size(), 2);
    // The recording is saved while 王伟's inquiry is open; the capture after it is given to 李明 by
    // hand; the capture within 王伟's time is taken from it by hand.
    a->record({JournalEvent::Kind::Opened, baseName(wang), {wangTemplate}});
    a->record({JournalEvent::Kind::RecordingSaved, {}, {recording}});
    a->record({JournalEvent::Kind::NewTranscript, {}, {}});
    a->record({JournalEvent::Kind::CaptureFinished, {}, {outside}});
    ASSERT_TRUE(a->log(archive::custody::kLinked, baseName(li), {archive::custodyFile(dir, outside)}));
    const QString before = describe(*a, baseName(wang)) + '\n' + describe(*a, baseName(li));
    EXPECT_TRUE(before.contains("询问录音.wav:1:0")) << before.toStdString();
    EXPECT_TRUE(before.contains("BL/2013年2月3日9时30分.avi:2:0")) << before.toStdString();
    EXPECT_TRUE(before.contains("BL/2013年2月3日11时.avi:3:0")) << before.toStdString();
    ASSERT_TRUE(a->log(archive::custody::kUnlinked, baseName(wang), {archive::custodyFile(dir, inWindow)}));
    const QString linked = describe(*a, baseName(wang)) + '\n' + describe(*a, baseName(li));
    EXPECT_TRUE(linked.contains("王伟 2013-02-03 pairs=1 rec=1 cap=0 state=0;")) << linked.toStdString();
    EXPECT_TRUE(linked.contains("BL/2013年2月3日9时30分.avi:0:0")) << linked.toStdString();

    const QString index = archive::indexPath(dir);
    for (const bool overwrite : {false, true}) {
        SCOPED_TRACE(overwrite ? "overwritten" : "deleted");
        if (overwrite) {
            // With the program closed: a running one holds everything in its write-ahead log.
            a.reset();
            QByteArray noise(QFileInfo(index).size(), '\0');
            QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
            writeFile(index, noise);
        } else {
            ASSERT_TRUE(QFile::remove(index));
        }
        QStringList toldLater;
        const auto later = openArchive(dir, &toldLater);
        Notes notes(*later);
        EXPECT_EQ(describe(*later, baseName(wang)) + '\n' + describe(*later, baseName(li)), linked);
        EXPECT_EQ(later->search({}).size(), 2);
        ASSERT_EQ(notes.said.size(), 2) << notes.said.join('\n').toStdString();
        EXPECT_TRUE(notes.said[0].contains(overwrite ? "已损坏" : "已被删除")) << notes.said[0].toStdString();
        EXPECT_EQ(notes.said[1], "笔录档案索引已重建：共 2 份笔录。");
        // The program that was running when its index was deleted goes on with the new one.
        if (a) {
            EXPECT_EQ(describe(*a, baseName(wang)) + '\n' + describe(*a, baseName(li)), linked);
        }
        EXPECT_TRUE(toldLater.isEmpty());
    }
    EXPECT_TRUE(told.isEmpty()) << told.join('\n').toStdString();
}

// A new user's first save comes before the first look at the archive: the index is being built, not
// rebuilt after a deletion.
TEST(ArchiveIndex, TheFirstStartSaysTheIndexIsBeingBuiltNotThatItWasDeleted) {
    for (const bool emptyLog : {false, true}) {
        SCOPED_TRACE(emptyLog ? "empty log" : "no log");
        QTemporaryDir home;
        const QString dir = home.path();
        const QString wang =
            writeTemplate(dir, {"2013.2.3", "9:05", "10:30", "王伟", "宏达公司", "Kelmar市", "李四", {}});
        if (emptyLog)
            writeFile(archive::custodyPath(dir), {});
        QStringList told;
        // As beside the window, where the save's entry is followed by the index's rebuild at once.
        archive::Archive a(dir, archive::Archive::Work::InBackground, [&told](const QString& text) { told << text; });
        Notes notes(a);
        a.record({JournalEvent::Kind::Saved, QFileInfo(wang).completeBaseName(), {wang}});
        ASSERT_FALSE(notes.said.isEmpty());
        EXPECT_EQ(notes.said[0], "正在从 BL 目录建立笔录档案索引……");
        EXPECT_TRUE(told.isEmpty()) << told.join('\n').toStdString();
    }
}

TEST(ArchiveIndex, AFullDiskLosesNothingOnceThereIsRoomAgain) {
    SmallFilesystem fs(8 * 1024);
    REQUIRE_SMALL_FILESYSTEM(fs);
    const QString dir = fs.path() + "/program";
    const Inquiry wang{"2013.2.3", "9:05", "10:30", "王伟", "宏达公司", "Kelmar市", "李四", {}};
    const Inquiry li{"2013.2.4", "14:00", "15:00", "李明", "伟业商行", "Kelmar市", "李四", {}};
    writeTemplate(dir, wang);
    QStringList told;
    {
        const auto before = openArchive(dir, &told);
        ASSERT_EQ(before->search({}).size(), 1);
        // Entries until the log's last page has no room for the next one: the disk full stops it.
        do
            ASSERT_TRUE(before->log(archive::custody::kLinked, baseName(wang), {})) << told.join('\n').toStdString();
        while (QFileInfo(archive::custodyPath(dir)).size() % 4096 < 4096 - 150);
    }
    const QByteArray log = readFile(archive::custodyPath(dir));
    const QString saved = writeTemplate(dir, li);

    // The program starts on a full disk and saves.
    fs.leaveFree(0);
    const auto a = openArchive(dir, &told);
    Notes notes(*a);
    a->record({JournalEvent::Kind::Saved, baseName(li), {saved}});
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told.first().contains("保管记录没有写成（磁盘空间已满）")) << told.first().toStdString();
    EXPECT_EQ(readFile(archive::custodyPath(dir)), log) << "no piece of the entry stays";
    ASSERT_FALSE(notes.said.isEmpty());
    EXPECT_TRUE(notes.said.last().contains("磁盘空间已满")) << notes.said.last().toStdString();

    fs.unfill();
    a->refresh();
    EXPECT_EQ(interviewees(a->search({})), (QStringList{"李明", "王伟"}));
    EXPECT_TRUE(archive::verify(dir).ok());
}

TEST(ArchiveIndex, AFileOfTheOfficeIsFetchedIntoItsVersionsFolderWhateverNameTheServerGives) {
    const QString home = "/p";
    EXPECT_EQ(archive::fetchedPath(home, "2013.2.3-宏达公司-王伟", 7, "BL/2013.2.3-宏达公司-王伟.ini"),
              "/p/office/2013.2.3-宏达公司-王伟/7/2013.2.3-宏达公司-王伟.ini");
    // A recording saved outside another desktop's program directory, on Linux or on Windows.
    EXPECT_EQ(archive::fetchedPath(home, "a", 1, "/home/x/录音.wav"), "/p/office/a/1/录音.wav");
    EXPECT_EQ(archive::fetchedPath(home, "a", 1, "D:\\证据\\录音.wav"), "/p/office/a/1/录音.wav");
    for (const auto& [inquiry, name] : {std::pair<QString, QString>{"..", "x.ini"},
                                        {"../../etc", "x.ini"},
                                        {"a", "BL/.."},
                                        {"a", "BL/"},
                                        {"", "x.ini"},
                                        {"a\\..", "x.ini"},
                                        {QString("a") + QChar(0) + "b", "x.ini"}})
        EXPECT_EQ(archive::fetchedPath(home, inquiry, 1, name), QString())
            << inquiry.toStdString() << name.toStdString();
}

namespace {

// Inquiries of which every third one lacks the word; the names those that hold it are listed under.
QStringList writeInquiries(const QString& dir, int count, const QString& word) {
    QStringList holding;
    for (int n = 0; n < count; ++n) {
        const bool holds = n % 3 != 0;
        const Inquiry i{QStringLiteral("2013.%1.%2").arg(n % 12 + 1).arg(n % 28 + 1),
                        "9:05",
                        "10:30",
                        QStringLiteral("张%1").arg(n),
                        QStringLiteral("公司%1").arg(n),
                        "Kelmar市",
                        "李四",
                        {"问：情况如何？", holds ? "答：拖欠" + word + "三个月。" : "答：一切正常。"}};
        writeTemplate(dir, i);
        if (holds)
            holding << baseName(i);
    }
    holding.sort();
    return holding;
}

// The names `quillon archive` lists, sorted.
QStringList listed(const Ran& ran) {
    QStringList names;
    for (const QString& line : ran.out.split(u'\n', Qt::SkipEmptyParts))
        names << line.section(u'\t', -1);
    names.sort();
    return names;
}

// 64 random bytes at the start of every fourth page, the file's header left as it is.
void damagePages(const QString& index, quint32 seed) {
    QByteArray bytes = readFile(index);
    const int pageSize = (quint8(bytes[16]) << 8) | quint8(bytes[17]);
    QRandomGenerator random(seed);
    for (qsizetype page = 4; (page + 1) * pageSize <= bytes.size(); page += 4)
        for (int i = 0; i < 64; ++i)
            bytes[page * pageSize + i] = char(random.bounded(256));
    writeFile(index, bytes);
}

bool remount(const QString& path, const char* how) {
    QProcess mount;
    mount.start("mount", {"-o", QStringLiteral("remount,%1").arg(how), path});
    return mount.waitForFinished(30000) && mount.exitCode() == 0;
}

} // namespace

TEST(ArchiveIndex, ADamagedIndexIsSetAsideAndEveryAnswerIsRight) {
    QTemporaryDir home;
    const QString dir = home.path();
    const QStringList wages = writeInquiries(dir, 300, "工资");
    ASSERT_EQ(quillon(dir, {"archive", "--rebuild"}).exitCode, 0);
    const QString index = archive::indexPath(dir);

    for (const bool rebuild : {false, true}) {
        SCOPED_TRACE(rebuild ? "--rebuild" : "a search");
        damagePages(index, rebuild ? 11 : 7);
        if (rebuild) {
            const Ran rebuilt = quillon(dir, {"archive", "--rebuild"});
            EXPECT_EQ(rebuilt.exitCode, 0) << rebuilt.err.toStdString();
        }
        const Ran found = quillon(dir, {"archive", "工资"});
        EXPECT_EQ(found.exitCode, 0) << found.err.toStdString();
        EXPECT_EQ(listed(found), wages);
        EXPECT_TRUE(rebuild || found.err.contains("已损坏")) << found.err.toStdString();
        EXPECT_TRUE(QFileInfo::exists(index + ".damaged"));
    }

    // A word beginning with "--" after the end of the options; dates typed in full-width digits.
    writeTemplate(dir, {"２０１７.３.５", "９:05", "10:30", "王伟", "--宏达", "Kelmar市", "李四", {}});
    const Ran dashes = quillon(dir, {"archive", "--", "--宏达"});
    EXPECT_EQ(dashes.exitCode, 0) << dashes.err.toStdString();
    EXPECT_EQ(dashes.out.split(u'\t').value(0), "2017-03-05") << dashes.out.toStdString();
    QStringList told;
    const auto a = openArchive(dir, &told);
    const QList<archive::InquiryRow> march = a->search({{}, QDate(2017, 3, 1), QDate(2017, 3, 31)});
    ASSERT_EQ(march.size(), 1);
    EXPECT_EQ(march.first().starts, "09:05");
    EXPECT_EQ(a->search({}).first().interviewee, "王伟") << "the newest first";
}

// A search tells a file made behind the index's back by the folder's time. Where the file system
// keeps that time coarsely, a file made within the tick of the last change leaves it as it was: the
// entries are counted then, and the file is found at once.
TEST(ArchiveIndex, AFileMadeWithinTheTickOfTheFoldersTimeIsFoundAtOnce) {
    QTemporaryDir home;
    const QString dir = home.path();
    writeInquiries(dir, 3, "工资");
    const QByteArray bl = QFile::encodeName(dir + "/BL");
    // A share whose clock runs ahead: the folder's tick is not over when the index looks.
    timespec times[2] = {{0, UTIME_OMIT}, {}};
    ASSERT_EQ(::clock_gettime(CLOCK_REALTIME, &times[1]), 0);
    times[1].tv_sec += 5;
    ASSERT_EQ(::utimensat(AT_FDCWD, bl.constData(), times, 0), 0);
    ASSERT_EQ(quillon(dir, {"archive", "--rebuild"}).exitCode, 0);

    const Inquiry late{"2014.1.1", "8:00", "9:00", "赵六", "新厂", "Kelmar市", "李四", {"问：", "答：工资没发。"}};
    writeTemplate(dir, late);
    ASSERT_EQ(::utimensat(AT_FDCWD, bl.constData(), times, 0), 0);
    const Ran found = quillon(dir, {"archive", "赵六"});
    EXPECT_EQ(found.exitCode, 0) << found.err.toStdString();
    EXPECT_EQ(listed(found), QStringList{baseName(late)});
}

TEST(ArchiveIndex, AReadOnlyProgramDirectoryAnswersRightWhetherItsIndexIsLevelOrNot) {
    SmallFilesystem fs(64 * 1024);
    REQUIRE_SMALL_FILESYSTEM(fs);
    const QString dir = fs.path() + "/program";
    QStringList wages = writeInquiries(dir, 120, "工资");
    ASSERT_EQ(quillon(dir, {"archive", "--rebuild"}).exitCode, 0);
    // Saved on the colleague's desktop after the index last looked.
    const Inquiry late{"2014.1.1", "8:00", "9:00", "赵六", "新厂", "Kelmar市", "李四", {"问：", "答：工资没发。"}};
    writeTemplate(dir, late);
    wages << baseName(late);
    wages.sort();
    const QByteArray indexBefore = readFile(archive::indexPath(dir));

    ASSERT_TRUE(remount(fs.path(), "ro"));
    const Ran stale = quillon(dir, {"archive", "工资"});
    EXPECT_EQ(stale.exitCode, 0) << stale.err.toStdString();
    EXPECT_EQ(listed(stale), wages);
    EXPECT_TRUE(stale.err.contains("不能写入")) << stale.err.toStdString();

    ASSERT_TRUE(remount(fs.path(), "rw"));
    EXPECT_EQ(readFile(archive::indexPath(dir)), indexBefore) << "nothing written on the share";
    ASSERT_EQ(quillon(dir, {"archive", "赵六"}).exitCode, 0);
    ASSERT_TRUE(remount(fs.path(), "ro"));
    const Ran level = quillon(dir, {"archive", "工资"});
    EXPECT_EQ(level.exitCode, 0) << level.err.toStdString();
    EXPECT_EQ(listed(level), wages);
    EXPECT_EQ(level.err, "") << "the index is level: read as it is";
    ASSERT_TRUE(remount(fs.path(), "rw"));
}

// An index of the earlier program, which had no index in listing order, gains one and lists newest
// first, the same day by its starting time and the same moment by name, whether the words are found
// in most inquiries (read in listing order) or in few (looked up and sorted).
TEST(ArchiveIndex, AnEarlierIndexGainsTheListingOrderAndEveryListIsNewestFirst) {
    QTemporaryDir home;
    const QString dir = home.path();
    struct Listed {
        QString date;
        QString start;
        QString name;
        bool rare;
    };
    QList<Listed> made;
    for (int n = 0; n < 48; ++n) {
        const Inquiry i{QStringLiteral("2013.%1.%2").arg(n % 3 + 1).arg(n % 2 + 10),
                        QStringLiteral("%1:00").arg(8 + n % 4),
                        "11:00",
                        QStringLiteral("张%1").arg(QChar(u'甲' + n % 5)),
                        QStringLiteral("公司%1").arg(n),
                        "Kelmar市",
                        "李四",
                        {"问：情况如何？", n % 25 == 0 ? "答：工资欠薪。" : "答：工资照发。"}};
        writeTemplate(dir, i);
        made.append({QStringLiteral("2013-%1-%2").arg(n % 3 + 1, 2, 10, QChar(u'0')).arg(n % 2 + 10),
                     QStringLiteral("%1:00").arg(8 + n % 4, 2, 10, QChar(u'0')), baseName(i), n % 25 == 0});
    }
    std::sort(made.begin(), made.end(), [](const Listed& a, const Listed& b) {
        return std::tie(b.date, b.start, a.name) < std::tie(a.date, a.start, b.name);
    });
    QStringList newestFirst;
    QStringList rareNewestFirst;
    for (const Listed& l : made) {
        newestFirst << l.name;
        if (l.rare)
            rareNewestFirst << l.name;
    }
    ASSERT_EQ(quillon(dir, {"archive", "--rebuild"}).exitCode, 0);
    const auto indexes = [&dir] {
        archive::sql::Connection db;
        EXPECT_TRUE(db.open(archive::indexPath(dir)));
        QStringList names;
        archive::sql::Query q =
            db.query("SELECT name FROM sqlite_schema WHERE type = 'index' AND name LIKE 'inquiry_%' ORDER BY name");
        while (q.next())
            names << q.text(0);
        return names;
    };
    {
        archive::sql::Connection db;
        ASSERT_TRUE(db.open(archive::indexPath(dir)));
        ASSERT_TRUE(
            db.exec("DROP INDEX inquiry_listed; CREATE INDEX inquiry_by_date ON inquiry(date, starts); VACUUM"));
    }
    ASSERT_EQ(indexes(), QStringList{"inquiry_by_date"});

    const auto inOrder = [](const Ran& ran) {
        QStringList names;
        for (const QString& line : ran.out.split(u'\n', Qt::SkipEmptyParts))
            names << line.section(u'\t', -1);
        return names;
    };
    const Ran most = quillon(dir, {"archive", "工资"});
    EXPECT_EQ(most.exitCode, 0) << most.err.toStdString();
    EXPECT_EQ(inOrder(most), newestFirst);
    const Ran few = quillon(dir, {"archive", "欠薪"});
    EXPECT_EQ(few.exitCode, 0) << few.err.toStdString();
    EXPECT_EQ(inOrder(few), rareNewestFirst);
    EXPECT_EQ(indexes(), QStringList{"inquiry_listed"});
}
