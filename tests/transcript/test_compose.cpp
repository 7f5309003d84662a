// The composition's exact operations and runs against a logging writer, and the template it writes.
#include "LoggingWriter.h"
#include "TestRecords.h"
#include "TestServices.h"

#include "transcript/ComposeTranscript.h"
#include "transcript/TemplateFile.h"

#include "transcript/ConsoleDialogs.h"
#include "transcript/NativeWordEngine.h"
#include "transcript/TranscriptCommands.h"

#include "platform/Gbk.h"
#include "platform/IniProfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace transcript;
using testrecords::answerText;
using testrecords::questionText;

namespace {

const QString kBlank = QStringLiteral("blank document bytes");
// An underlined line with nothing written on it.
const QString kBlankLine = QStringLiteral("\u00A0\t\r\n");

QString sp(int n) {
    return QString(n, ' ');
}

// One operation per line, so that a failure shows a line diff.
std::string ops(const QStringList& log) {
    return log.join('\n').replace("\r\n", "⏎").toStdString();
}

class ComposeTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    LoggingWriter writer;
    QString hang1 = QStringLiteral("被询问人签名：");
    QString hang2 = QStringLiteral("询问人签名：");
    int footerReads = 0;

    CompositionInput input() {
        return {dir.path(), kBlank.toUtf8(), [this](const QString& key) {
                    ++footerReads;
                    return key == "hang1" ? hang1 : key == "hang2" ? hang2 : QString();
                }};
    }

    // Composes and, when that succeeds, puts the template in place as the save command does.
    Outcome composeAndSave(record::TranscriptRecord& r, const CompositionInput& in) {
        TemplateSave save;
        const Outcome outcome = ComposeTranscript(writer, r, in, save);
        if (!outcome.ok)
            return outcome;
        const durable::Result written = durable::writeFile(save.path(), save.bytes());
        return written ? Outcome::success() : templateFailure(save.path(), written);
    }

    QStringList compose(record::TranscriptRecord r) {
        const Outcome outcome = composeAndSave(r, input());
        EXPECT_TRUE(outcome.ok) << outcome.text.toStdString();
        return writer.log;
    }

    // Everything up to and including the body heading, for testrecords::particulars().
    QStringList head() const {
        return {"start",
                "connect",
                "open " + dir.path() + "/BL/Doc.doc",
                "hide",
                "align centre",
                "size 22",
                "bold 1",
                "spacing 936",
                "type vodir询问笔录\r\n\r\n",
                "bold 0",
                "size 14",
                "align left",
                "spacing 624",
                "tab 9411",
                "underline 0",
                "type 笔录起至时间：",
                "underline 1",
                "type   2012",
                "underline 0",
                "type 年",
                "underline 1",
                "type   11",
                "underline 0",
                "type 月",
                "underline 1",
                "type   30",
                "underline 0",
                "type 日",
                "underline 1",
                "type   9",
                "underline 0",
                "type 时",
                "underline 1",
                "type   5",
                "underline 0",
                "type 分  至  ",
                "underline 1",
                "type   10",
                "underline 0",
                "type 时",
                "underline 1",
                "type   30",
                "underline 0",
                "type 分\r\n",
                "underline 0",
                "type 笔录地点：",
                "underline 1",
                "type Kelmar市人民大街\t\r\n",
                "underline 0",
                "type 被询问人姓名：",
                "underline 1",
                "type  张三 ",
                "underline 0",
                "type  性别：",
                "underline 1",
                "type  男 ",
                "underline 0",
                "type  户籍所在地：",
                "underline 1",
                "type 吉林省Kelmar市朝阳区\t\r\n",
                "underline 0",
                "type 身份证件种类：",
                "underline 1",
                "type  身份证 ",
                "underline 0",
                "type  号码：",
                "underline 1",
                "type 220101198001011234",
                "underline 0",
                "type   年龄：",
                "underline 1",
                "type 32\t\r\n",
                "underline 0",
                "type 工作单位：",
                "underline 1",
                "type 宏达建筑公司",
                "underline 0",
                "type    职务：",
                "underline 1",
                "type 经理",
                "underline 0",
                "type    文化程度：",
                "underline 1",
                "type 大学\t\r\n",
                "underline 0",
                "type 电话：",
                "underline 1",
                "type 13800000000",
                "underline 0",
                "type    住址：",
                "underline 1",
                "type 人民大街1号\t\r\n",
                "underline 0",
                "type 询问人姓名：",
                "underline 1",
                "type   李四  ",
                "underline 0",
                "type  其他参加人：",
                "underline 1",
                "type   无  ",
                "underline 0",
                "type  记录人：",
                "underline 1",
                "type   王五\t\r\n\r\n",
                "underline 0",
                "type 笔 录 内 容：\r\n",
                "underline 1"};
    }

    static QStringList pair(int n) {
        return {"type " + questionText(n) + "\t\r\n", "type " + answerText(n) + "\t\r\n"};
    }
    static QStringList pairs(int first, int last) {
        QStringList out;
        for (int n = first; n <= last; ++n)
            out << pair(n);
        return out;
    }
    // The signature lines, then the next page, whose first paragraph alone begins with a page break.
    QStringList footer(QStringList nextPage) const {
        nextPage.insert(1, "break 0");
        return QStringList{"underline 0", "type   " + hang1 + "\r\n", "type   " + hang2 + "\r\n", "underline 1",
                           "break 1"} +
               nextPage;
    }
    QStringList closing(int fillerLines) const {
        QStringList out;
        if (fillerLines > 0) {
            QString filler;
            for (int i = 0; i < fillerLines; ++i)
                filler += kBlankLine;
            out << "underline 1"
                << "type " + filler;
        }
        out << "underline 0"
            << "type   " + hang1 + "\r\n"
            << "type   " + hang2;
        return out;
    }
};

TEST_F(ComposeTest, AllQuestionLinesEmptyEndsAfterTheBodyHeading) {
    record::TranscriptRecord r = testrecords::particulars();
    // Answers without their questions are left out.
    r[record::answer(1).key] = answerText(1);
    r[record::answer(20).key] = answerText(20);
    EXPECT_EQ(ops(compose(r)), ops(head()));
    EXPECT_EQ(footerReads, 0);
}

TEST_F(ComposeTest, OnlyPairOneFillsTheFirstPageAndEndsWithAnOpenLastFooter) {
    record::TranscriptRecord r = testrecords::particulars();
    testrecords::fillPairs(r, 1, 1);
    EXPECT_EQ(ops(compose(r)), ops(head() + pair(1) + closing(6)));
}

TEST_F(ComposeTest, AllPairsGiveFootersAfterPairsFourAndFourteenAndAClosingWithoutFiller) {
    record::TranscriptRecord r = testrecords::particulars();
    testrecords::fillPairs(r, 1, 24);
    EXPECT_EQ(ops(compose(r)), ops(head() + pairs(1, 4) + footer(pairs(5, 14)) + footer(pairs(15, 24)) + closing(0)));
}

TEST_F(ComposeTest, AFullLastPageEndsTheDocumentWithItsFooterAndNoEmptyPageAfterIt) {
    record::TranscriptRecord r = testrecords::particulars();
    testrecords::fillPairs(r, 1, 4);
    EXPECT_EQ(ops(compose(r)), ops(head() + pairs(1, 4) + closing(0)));

    writer.log.clear();
    testrecords::fillPairs(r, 5, 14);
    // An answer without its question is not typed and does not keep the document going.
    r[record::answer(22).key] = answerText(22);
    EXPECT_EQ(ops(compose(r)), ops(head() + pairs(1, 4) + footer(pairs(5, 14)) + closing(0)));
}

TEST_F(ComposeTest, EmptyPairsBetweenFilledOnesTakeNoLines) {
    record::TranscriptRecord r = testrecords::particulars();
    testrecords::fillPairs(r, 1, 3);
    testrecords::fillPairs(r, 7, 14);
    EXPECT_EQ(ops(compose(r)), ops(head() + pairs(1, 3) + pair(7) + footer(pairs(8, 14)) + closing(6)));
}

TEST_F(ComposeTest, PrefixOnlyAndBlankQuestionsCountAsFilledAndEmptyAnswersAsSpaces) {
    record::TranscriptRecord r = testrecords::particulars();
    r[record::question(1).key] = QStringLiteral("问：");
    r[record::question(2).key] = QStringLiteral("  ");
    const QStringList lines{"type 问：\t\r\n", "type " + kBlankLine, "type " + sp(2) + kBlankLine,
                            "type " + kBlankLine};
    EXPECT_EQ(ops(compose(r)), ops(head() + lines + closing(4)));
}

TEST_F(ComposeTest, MissingSecondFooterLineLeavesTwoSpaces) {
    record::TranscriptRecord r = testrecords::particulars();
    testrecords::fillPairs(r, 1, 5);
    hang1 = QStringLiteral("以上笔录我看过，和我说的相符。");
    hang2.clear();
    const QStringList log = compose(r);
    EXPECT_EQ(ops(log), ops(head() + pairs(1, 4) + footer(pair(5)) + closing(18)));
    EXPECT_TRUE(log.contains("type   \r\n"));
    EXPECT_EQ(log.last(), "type   ");
}

// Long particulars leave the first page room for a few body lines, or one, or none.
TEST_F(ComposeTest, AQuestionBelowLongParticularsNeverEndsThePageWithoutItsAnswer) {
    const QString questionLine = "type " + questionText(1) + "\t\r\n";
    const QString answerLine = "type " + answerText(1) + "\t\r\n";
    int firstPageClosedEarly = 0;
    for (int length = 0; length <= 300; length += 2) {
        record::TranscriptRecord r = testrecords::particulars();
        r["num19"] = QString(length, u'路');
        testrecords::fillPairs(r, 1, 1);
        writer.log.clear();
        const QStringList log = compose(r);
        const qsizetype question = log.indexOf(questionLine);
        ASSERT_GT(question, 0) << length;
        // Only the end of the page break set for the question may come between them.
        const qsizetype next = log.value(question + 1) == "break 0" ? question + 2 : question + 1;
        EXPECT_EQ(log.value(next), answerLine) << length << " characters of address";
        firstPageClosedEarly += log.indexOf("type   " + hang1 + "\r\n") < question;
    }
    EXPECT_GT(firstPageClosedEarly, 0);
}

// Where every question and answer takes one printed line, the document is the one the fixed page
// capacity of 8 and 20 body lines gave, to the byte.
TEST_F(ComposeTest, OneLinePairsFromTheFirstOnGiveTheKnownDocumentByteForByte) {
    QTextStream err(stderr);
    ConsoleDialogs dialogs(err, Dialogs::Answer::Yes);
    NativeWordEngine engine;
    RecordingJournal journal;
    CommandEnv env{dialogs, engine, dir.path(), input().footerLine, [] { return true; }, journal};
    for (int pairs : {5, 14, 24}) {
        record::TranscriptRecord r = testrecords::particulars();
        testrecords::fillPairs(r, 1, pairs);
        SaveOptions options;
        options.documentPath = dir.filePath(QStringLiteral("%1.doc").arg(pairs));
        ASSERT_TRUE(saveTranscript(r, env, options));
        const QString saved = options.documentPath;
        QFile golden(qEnvironmentVariable("QUILLON_SOURCE_DIR") +
                     QStringLiteral("/tests/transcript/data/one-line-pairs-%1.doc").arg(pairs));
        QFile written(saved);
        ASSERT_TRUE(golden.open(QIODevice::ReadOnly) && written.open(QIODevice::ReadOnly));
        EXPECT_TRUE(written.readAll() == golden.readAll()) << pairs << " pairs";
    }
}

TEST_F(ComposeTest, FooterLinesAreReadAfreshAtEveryPageEnd) {
    record::TranscriptRecord r = testrecords::particulars();
    testrecords::fillPairs(r, 1, 24);
    int page = 0;
    CompositionInput in = input();
    in.footerLine = [&page](const QString& key) { return key == "hang1" ? QString::number(++page) : QString(); };
    ASSERT_TRUE(composeAndSave(r, in).ok);
    EXPECT_TRUE(writer.log.contains("type   1\r\n"));
    EXPECT_TRUE(writer.log.contains("type   2\r\n"));
    EXPECT_TRUE(writer.log.contains("type   3\r\n"));
}

TEST_F(ComposeTest, FirstRowTakesTheSeparatorOfItsMonthAndDay) {
    record::TranscriptRecord r = testrecords::particulars();
    r["num2"] = "12";
    r["num3"] = "5";
    QStringList expected = head();
    expected[expected.indexOf("type   11")] = "type   12";
    expected[expected.indexOf("type   30")] = "type   5"; // the day; the end minute is also 30
    expected[expected.indexOf("type 分  至  ")] = "type 分   至  ";
    EXPECT_EQ(ops(compose(r)), ops(expected));
}

TEST(TimeSeparator, CountsGbkBytesOfMonthAndDay) {
    EXPECT_EQ(timeSeparator("11", "30"), "分  至  ");
    EXPECT_EQ(timeSeparator("12", "5"), "分   至  ");
    EXPECT_EQ(timeSeparator("3", "25"), "分   至  ");
    EXPECT_EQ(timeSeparator("3", "5"), "分   至   ");
    // A full-width digit is two bytes in GBK.
    EXPECT_EQ(timeSeparator(QStringLiteral("３"), QStringLiteral("５")), "分  至  ");
    EXPECT_EQ(timeSeparator(QStringLiteral("３"), "5"), "分   至  ");
    EXPECT_EQ(timeSeparator("", "123"), "分   至   ");
    // A Chinese numeral is also two bytes.
    EXPECT_EQ(timeSeparator(QStringLiteral("五"), "12"), "分  至  ");
}

TEST_F(ComposeTest, WorkingCopyIsTheBlankDocumentAndTheTemplateIsWritten) {
    QDir(dir.path()).mkpath("BL");
    QFile old(dir.path() + "/BL/Doc.doc");
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(50000, 'x'));
    old.close();

    record::TranscriptRecord r = testrecords::particulars();
    testrecords::fillPairs(r, 1, 2);
    r["beizu"] = QStringLiteral("第一行\r\n第二行\n第三行");
    ASSERT_TRUE(composeAndSave(r, input()).ok);
    EXPECT_EQ(r["beizu"], QStringLiteral("第一行  第二行 第三行"));

    QFile copy(dir.path() + "/BL/Doc.doc");
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), kBlank.toUtf8());

    const QString path = dir.path() + "/BL/2012.11.30-宏达建筑公司-张三.ini";
    EXPECT_EQ(ini::readString(path, "set", "num23"), questionText(1));
    EXPECT_EQ(ini::readString(path, "set", "num26"), answerText(2));
    EXPECT_EQ(ini::readString(path, "set", "num27"), QString());
    EXPECT_EQ(ini::readString(path, "set", "num70"), QString());
    EXPECT_EQ(ini::readString(path, "set", "beizu"), QStringLiteral("第一行  第二行 第三行"));
}

TEST_F(ComposeTest, RefusedNameWritesNothing) {
    for (const record::Key key :
         {record::Key("num1"), record::Key("num2"), record::Key("num3"), record::Key("num16"), record::Key("num10")}) {
        for (const QString& bad : {QStringLiteral("a/b"), QStringLiteral("a\\b"), QStringLiteral(".."),
                                   QString(QChar(0)) + "x", QString()}) {
            if (bad.isEmpty() && (key.name() == "num16" || key.name() == "num10"))
                continue; // an empty work unit or name is refused before, by the commands
            record::TranscriptRecord r = testrecords::particulars();
            r[key] = bad;
            const Outcome outcome = composeAndSave(r, input());
            EXPECT_FALSE(outcome.ok) << key.name();
            EXPECT_EQ(outcome.caption, "提 示：");
        }
    }
    EXPECT_TRUE(writer.log.isEmpty());
    EXPECT_FALSE(QDir(dir.path() + "/BL").exists());
}

TEST(NameParts, RefusalNamesTheField) {
    record::TranscriptRecord r = testrecords::particulars();
    r["num16"] = QStringLiteral("宏达/建筑");
    EXPECT_TRUE(checkNameParts(r).text.contains("工作单位"));
    r = testrecords::particulars();
    r["num10"] = QStringLiteral("..张三");
    EXPECT_TRUE(checkNameParts(r).text.contains("被询问人姓名"));
    r = testrecords::particulars();
    r["num2"] = QStringLiteral("1\\1");
    EXPECT_TRUE(checkNameParts(r).text.contains("月份"));
    // An empty date part would give a hidden file: the refusal names the empty date fields.
    r = testrecords::particulars();
    r["num2"].clear();
    r["num3"].clear();
    EXPECT_EQ(checkNameParts(r).text,
              QStringLiteral(" 笔录时间的月份、笔录时间的日期没有添写，不能用作笔录文件名，请添写后再试。 "));
    // A single dot, spaces and other fields are accepted.
    r = testrecords::particulars();
    r["num10"] = QStringLiteral("张.三 ");
    r["num19"] = QStringLiteral("人民大街1/2号");
    EXPECT_TRUE(checkNameParts(r).ok);
}

TEST_F(ComposeTest, WriterThatCannotOpenIsReportedAndNoTemplateIsWritten) {
    writer.failing << "open";
    writer.error = QStringLiteral("文件无法打开");
    record::TranscriptRecord r = testrecords::particulars();
    const Outcome outcome = composeAndSave(r, input());
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(outcome.text.contains("文件无法打开"));
    EXPECT_TRUE(writer.runs().isEmpty());
    EXPECT_EQ(QDir(dir.path() + "/BL").entryList(QDir::Files | QDir::Hidden), QStringList{"Doc.doc"});
}

TEST_F(ComposeTest, TemplateThatCannotBeWrittenFailsTheComposition) {
    record::TranscriptRecord r = testrecords::particulars();
    // A directory where the template should go makes the write fail.
    ASSERT_TRUE(QDir().mkpath(templatePath(dir.path(), r)));
    const Outcome outcome = composeAndSave(r, input());
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(outcome.text.contains(templatePath(dir.path(), r)));
}

TEST_F(ComposeTest, SingleLineFieldsLoseLineBreaksAndNoncharactersBeforeAnythingIsWritten) {
    record::TranscriptRecord r = testrecords::particulars();
    const QString extB = QString::fromUcs4(U"\U00020000");
    r["num10"] = QStringLiteral("张\r\n三");
    r[record::question(1).key] = QStringLiteral("问：一\n二") + QChar(0xFFFE) + QChar(0xD800) + extB;
    r[record::answer(1).key] = QStringLiteral("答：") + QString::fromUcs4(U"\U0001FFFF") + QChar(0xFDD0) +
                               QChar(0xDC00) + QStringLiteral("是");
    r["beizu"] = QStringLiteral("甲\r\n乙");
    ASSERT_TRUE(composeAndSave(r, input()).ok);

    EXPECT_EQ(r["num10"], QStringLiteral("张  三"));
    EXPECT_EQ(r[record::question(1).key], QStringLiteral("问：一 二") + extB);
    EXPECT_EQ(r[record::answer(1).key], QStringLiteral("答：是"));
    EXPECT_EQ(r["beizu"], QStringLiteral("甲  乙"));
    // The document gets no paragraph where the form had a line break.
    EXPECT_TRUE(writer.log.contains("type  张  三 "));
    EXPECT_TRUE(writer.log.contains("type 问：一 二" + extB + "\t\r\n"));

    const QString path = dir.path() + QStringLiteral("/BL/2012.11.30-宏达建筑公司-张  三.ini");
    const QByteArray bytes = readFile(path);
    EXPECT_EQ(bytes.count('\n'), 74) << "[set] and one line per key";
    EXPECT_EQ(bytes.count('\r'), 74);
    EXPECT_EQ(ini::readString(path, "set", "num23"), r[record::question(1).key]);
}

} // namespace
