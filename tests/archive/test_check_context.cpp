// What the check finds around an inquiry in a real archive: officers of another inquiry at the same
// time, and the captures linked to it with the times their headers give.
#include "ArchiveFixture.h"

#include "archive/CheckContext.h"

#include <QtEndian>

namespace {

// A template of 2012年11月30日 between start and end, by its officers.
void writeInquiry(const QString& programDir, const QString& name, const QString& day, const QString& start,
                  const QString& end, const QString& inspector, const QString& recorder) {
    const QString text = QStringLiteral("[set]\nnum1=2012\nnum2=11\nnum3=%1\nnum4=%2\nnum5=%3\nnum6=%4\nnum7=%5\n"
                                        "num10=%6\nnum16=宏达公司\nnum20=%7\nnum22=%8\n")
                             .arg(day, start.section(':', 0, 0), start.section(':', 1), end.section(':', 0, 0),
                                  end.section(':', 1), name, inspector, recorder);
    QDir().mkpath(programDir + "/BL");
    writeFile(programDir + QStringLiteral("/BL/2012.11.%1-宏达公司-%2.ini").arg(day, name), gbkFile(text));
}

// The start of a capture's AVI file: its header with the microseconds a picture and the pictures.
QByteArray aviHeader(quint32 microsecondsPerFrame, quint32 frames) {
    QByteArray header("RIFF\0\0\0\0AVI LIST\0\0\0\0hdrlavih\x38\0\0\0", 32);
    header.resize(64, '\0');
    qToLittleEndian(microsecondsPerFrame, header.data() + 32);
    qToLittleEndian(frames, header.data() + 48);
    return header;
}

} // namespace

TEST(CheckContext, OfficersOfAnotherInquiryAtTheSameTimeAndTheCaptureThatCoversIt) {
    QTemporaryDir dir;
    const QString home = dir.path();
    // 9:05–10:30 by 李四 and 王五; 王五 records another from 10:00, 李四 asks after it and on another day.
    writeInquiry(home, "张三", "30", "9:05", "10:30", "李四", "王五");
    writeInquiry(home, "赵六", "30", "10:00", "11:00", "陈七", "王五");
    writeInquiry(home, "钱八", "30", "10:30", "11:30", "李四", "陈七");
    writeInquiry(home, "孙九", "29", "9:00", "11:00", "李四", "陈七");
    // A capture from 9:05 of 25 pictures a second for an hour: it stops before the inquiry ends.
    writeFile(home + QStringLiteral("/BL/2012年11月30日9时5分.avi"), aviHeader(40000, 25 * 3600));
    archive::Archive a(home, archive::Archive::Work::AtOnce,
                       [](const QString& text) { ADD_FAILURE() << text.toStdString(); });
    a.refresh();

    archive::ArchiveCheckContext context(a);
    const QString name = QStringLiteral("2012.11.30-宏达公司-张三");
    const check::Context found = context.contextOf(name, QDate(2012, 11, 30));
    ASSERT_EQ(found.sameDay.size(), 2);
    ASSERT_EQ(found.evidence.size(), 1);
    EXPECT_EQ(found.evidence[0].ends, QDateTime(QDate(2012, 11, 30), QTime(10, 5)));

    const record::TranscriptRecord r = archive::readInquiry(home + "/BL/" + name + ".ini").record;
    QStringList problems;
    for (const check::Problem& p : check::checkInquiry(r, {}, found))
        if (p.field == field::Recorder || p.field == field::InspectorName || p.field == field::EndHour)
            problems << check::columnOf(p.field) + u'|' + p.text;
    EXPECT_EQ(
        problems,
        QStringList({QStringLiteral("记录人|王五在同一时间参加了另一次询问 2012.11.30-宏达公司-赵六（10:00–11:00）："
                                    "一名执法人员不能同时询问两处"),
                     QStringLiteral("结束时间|关联的录音录像在 10:05:00 中断，没有覆盖到询问的结束时间 10:30")}));
}
