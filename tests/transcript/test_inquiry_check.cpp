// The check of an inquiry on plain values: identity numbers, age on the day, officers, notices,
// pairs and the cover of the recordings.
#include "TestRecords.h"

#include "transcript/InquiryCheck.h"

#include <gtest/gtest.h>

namespace {

// A complete inquiry of 2012年11月30日 9:05–10:30 whose particulars agree with its identity number.
record::TranscriptRecord proper() {
    record::TranscriptRecord r = testrecords::particulars();
    r[field::IdentityNumber] = "220101198001011238";
    testrecords::fillPairs(r, 1, 3);
    return r;
}

QStringList textsAt(const QList<check::Problem>& problems, record::Key key) {
    QStringList texts;
    for (const check::Problem& p : problems)
        if (p.field == key)
            texts << p.text;
    return texts;
}

QStringList allTexts(const QList<check::Problem>& problems) {
    QStringList texts;
    for (const check::Problem& p : problems)
        texts << check::columnOf(p.field) + u'|' + p.text;
    return texts;
}

} // namespace

TEST(InquiryCheck, AProperInquiryHasNoProblem) {
    EXPECT_EQ(allTexts(check::checkInquiry(proper(), {}, {})), QStringList());
}

TEST(InquiryCheck, IdentityNumbers) {
    const QDate inquiry(2012, 11, 30);
    // GB 11643 with X as its check character, in either case.
    for (const QString number : {"11010519491231109X", "11010519491231109x"}) {
        const check::IdentityReading valid = check::readIdentityNumber(number, inquiry);
        ASSERT_TRUE(valid.identity) << valid.problem.toStdString();
        EXPECT_EQ(valid.identity->birth, QDate(1949, 12, 31));
        EXPECT_TRUE(valid.identity->male);
    }
    const check::IdentityReading wrong = check::readIdentityNumber("110105194912311091", inquiry);
    EXPECT_FALSE(wrong.identity);
    EXPECT_TRUE(wrong.problem.contains(QStringLiteral("校验码不对"))) << wrong.problem.toStdString();
    EXPECT_TRUE(wrong.problem.contains(QStringLiteral("应为 X"))) << wrong.problem.toStdString();
    // The check character is right, the date is not.
    const check::IdentityReading february = check::readIdentityNumber("220104198002301236", inquiry);
    EXPECT_FALSE(february.identity);
    EXPECT_EQ(february.problem, QStringLiteral("身份证号码中的出生日期 19800230 不是真实的日期"));
    const check::IdentityReading later = check::readIdentityNumber("220104201501011238", inquiry);
    EXPECT_FALSE(later.identity);
    EXPECT_TRUE(later.problem.contains(QStringLiteral("晚于询问日期"))) << later.problem.toStdString();
    // The earlier 15 digits: born 19YY, the last digit odd for a man.
    const check::IdentityReading old = check::readIdentityNumber("110105491231002", inquiry);
    ASSERT_TRUE(old.identity) << old.problem.toStdString();
    EXPECT_EQ(old.identity->birth, QDate(1949, 12, 31));
    EXPECT_FALSE(old.identity->male);
    EXPECT_FALSE(check::readIdentityNumber("22010419780512123", inquiry).identity);
}

TEST(InquiryCheck, AgeAndSexOnTheInquiryDayAroundABirthday) {
    record::TranscriptRecord r = proper();
    r[field::IdentityNumber] = "220104197805121234";
    r[field::Year] = "2012";
    r[field::Month] = "5";
    r[field::Day] = "11";
    r[field::Age] = "34岁";
    EXPECT_EQ(textsAt(check::checkInquiry(r, {}, {}), field::Age),
              QStringList{
                  QStringLiteral("年龄 34 与身份证号码不符：出生于1978年5月12日，询问当天（2012年5月11日）是33周岁")});
    r[field::Day] = "12";
    EXPECT_EQ(allTexts(check::checkInquiry(r, {}, {})), QStringList());

    r[field::Sex] = "女";
    EXPECT_EQ(textsAt(check::checkInquiry(r, {}, {}), field::Sex),
              QStringList{QStringLiteral("性别“女”与身份证号码不符：号码的性别位是男")});
    // Empty ones are offered from the number; a number of another kind of document is not read.
    r[field::Sex].clear();
    r[field::Age].clear();
    const QList<check::Fill> fills = check::fillsFromIdentity(r);
    ASSERT_EQ(fills.size(), 2);
    EXPECT_EQ(fills[0].field, field::Sex);
    EXPECT_EQ(fills[0].value, QStringLiteral("男"));
    EXPECT_EQ(fills[1].field, field::Age);
    EXPECT_EQ(fills[1].value, QStringLiteral("34"));
    r[field::IdentityDocument] = "护照";
    EXPECT_TRUE(check::fillsFromIdentity(r).isEmpty());
}

TEST(InquiryCheck, TwoDifferentOfficersMayStandInOneField) {
    record::TranscriptRecord r = proper();
    EXPECT_EQ(check::namesIn(QStringLiteral("李明、王强，张三,赵四 钱五\u3000孙六")),
              QStringList({"李明", "王强", "张三", "赵四", "钱五", "孙六"}));
    r[field::InspectorName] = "李明、王强";
    r[field::Recorder].clear();
    EXPECT_EQ(allTexts(check::checkInquiry(r, {}, {})), QStringList());
    r[field::InspectorName] = "李明，李明";
    r[field::Recorder] = "李明";
    EXPECT_EQ(textsAt(check::checkInquiry(r, {}, {}), field::Recorder),
              QStringList{QStringLiteral("询问人、记录人中要有至少两名不同的执法人员，现在只有李明")});
}

TEST(InquiryCheck, EveryNoticePhraseInSomeQuestionOrAnswer) {
    record::TranscriptRecord r = proper();
    r[record::question(1).key] = "问：我们是监察员，这是执法证件。";
    r[record::answer(2).key] = "答：我会如实回答。";
    const check::Rules rules{{"证件", "如实", "回避"}, false};
    // Asked for in the first free question line.
    EXPECT_EQ(
        allTexts(check::checkInquiry(r, rules, {})),
        QStringList{QStringLiteral("第4问|告知事项不全：没有含“回避”的问答（set.ini [hecha] 规定每份笔录都要告知）")});
    r[record::question(3).key] = "问：你是否申请回避？";
    EXPECT_EQ(allTexts(check::checkInquiry(r, rules, {})), QStringList());
}

TEST(InquiryCheck, QuestionsAndAnswersGoInPairs) {
    record::TranscriptRecord r = proper();
    r[record::answer(2).key] = "答：";
    r[record::question(5).key] = "问：";
    r[record::answer(5).key] = "答：还有一件事。";
    EXPECT_EQ(allTexts(check::checkInquiry(r, {}, {})),
              QStringList({QStringLiteral("第2答|第2问没有回答"), QStringLiteral("第5问|第5答没有对应的提问")}));
    record::TranscriptRecord empty = testrecords::particulars();
    empty[field::IdentityNumber] = "220101198001011238";
    EXPECT_EQ(allTexts(check::checkInquiry(empty, {}, {})),
              QStringList{QStringLiteral("第1问|笔录中没有问答：至少要有一问一答")});
}

TEST(InquiryCheck, TimesAndTheRecordingsThatCoverThem) {
    record::TranscriptRecord r = proper();
    r[field::EndHour] = "9";
    r[field::EndMinute] = "0";
    EXPECT_EQ(allTexts(check::checkInquiry(r, {}, {})),
              QStringList{
                  QStringLiteral("结束时间|结束时间 09:00 不晚于开始时间 09:05：询问要在开始的同一天、开始之后结束")});
    r = proper();
    const QDate day(2012, 11, 30);
    // Two pieces without a gap are one recording; begun within the starting minute it covers the start.
    check::Context context;
    context.evidence = {{"b.avi", QDateTime(day, QTime(9, 40)), QDateTime(day, QTime(10, 20))},
                        {"a.wav", QDateTime(day, QTime(9, 5, 40)), QDateTime(day, QTime(9, 40))}};
    EXPECT_EQ(allTexts(check::checkInquiry(r, {}, context)),
              QStringList{QStringLiteral("结束时间|关联的录音录像在 10:20:00 中断，没有覆盖到询问的结束时间 10:30")});
    context.evidence[0].ends = QDateTime(day, QTime(10, 31));
    EXPECT_EQ(allTexts(check::checkInquiry(r, {}, context)), QStringList());
    context.evidence[1].starts = QDateTime(day, QTime(9, 6));
    EXPECT_EQ(allTexts(check::checkInquiry(r, {}, context)),
              QStringList{QStringLiteral("开始时间|关联的录音录像没有覆盖询问的开始时间 09:05")});
    EXPECT_EQ(
        allTexts(check::checkInquiry(r, {{}, true}, {})),
        QStringList{QStringLiteral("开始时间|没有关联录音或录像：set.ini [hecha] luyin=1 要求每次询问都有录音录像")});
}

TEST(InquiryCheck, AGapBetweenRecordingsDuringTheInquiry) {
    const record::TranscriptRecord r = proper();
    const QDate day(2012, 11, 30);
    // The hour before the inquiry is no part of it; sound and pictures are on record alike.
    check::Context context;
    context.evidence = {{"early.wav", QDateTime(day, QTime(8, 0)), QDateTime(day, QTime(8, 30))},
                        {"a.wav", QDateTime(day, QTime(9, 5)), QDateTime(day, QTime(9, 40))},
                        {"b.avi", QDateTime(day, QTime(9, 45, 10)), QDateTime(day, QTime(10, 2))},
                        {"c.avi", QDateTime(day, QTime(10, 2, 30)), QDateTime(day, QTime(10, 31))}};
    EXPECT_EQ(
        allTexts(check::checkInquiry(r, {}, context)),
        QStringList({QStringLiteral("开始时间|关联的录音录像在 09:40:00 至 09:45:10 之间中断，这段询问没有录音录像"),
                     QStringLiteral("开始时间|关联的录音录像在 10:02:00 至 10:02:30 之间中断，这段询问没有录音录像")}));
    context.evidence << check::Evidence{"bridge.wav", QDateTime(day, QTime(9, 39)), QDateTime(day, QTime(10, 3))};
    EXPECT_EQ(allTexts(check::checkInquiry(r, {}, context)), QStringList());
}
