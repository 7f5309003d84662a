// Template files: the name rule, byte-exact saves into new and existing files, flattening and reading.
#include "TestRecords.h"

#include "transcript/TemplateFile.h"

#include "platform/Gbk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace transcript;

namespace {

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QString dataFile(const char* name) {
    return qEnvironmentVariable("QUILLON_SOURCE_DIR") + "/tests/transcript/data/" + name;
}

// The record of the golden files.
record::TranscriptRecord goldenRecord() {
    record::TranscriptRecord r = testrecords::particulars();
    testrecords::fillPairs(r, 1, 2);
    r["beizu"] = QStringLiteral("案件经过：第一行  第二行 第三行");
    return r;
}

TEST(TemplateName, IsDateWorkUnitAndNameInTheBLDirectory) {
    record::TranscriptRecord r = testrecords::particulars();
    EXPECT_EQ(templatePath("/opt/q", r), QStringLiteral("/opt/q/BL/2012.11.30-宏达建筑公司-张三.ini"));
    EXPECT_EQ(documentPath("/opt/q", r), QStringLiteral("/opt/q/BL/2012.11.30-宏达建筑公司-张三.doc"));
    r["num16"].clear();
    r["num10"].clear();
    EXPECT_EQ(baseName(r), "2012.11.30--");
    EXPECT_EQ(baseName(record::TranscriptRecord{}), "..--");
    // Parts are taken exactly as entered.
    r["num2"] = QStringLiteral(" ０3");
    EXPECT_EQ(baseName(r), QStringLiteral("2012. ０3.30--"));
}

TEST(TemplateSave, NewFileIsTheGoldenBytes) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/t.ini";
    ASSERT_TRUE(saveTemplate(path, goldenRecord()).ok);
    const QByteArray golden = readBytes(dataFile("template_new.ini"));
    ASSERT_FALSE(golden.isEmpty());
    EXPECT_EQ(readBytes(path), golden);
}

TEST(TemplateSave, ExistingFileIsUpdatedInPlaceKeepingOtherKeysAndComments) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/t.ini";
    writeBytes(path, readBytes(dataFile("template_existing_before.ini")));
    ASSERT_TRUE(saveTemplate(path, goldenRecord()).ok);
    const QByteArray golden = readBytes(dataFile("template_existing_after.ini"));
    ASSERT_FALSE(golden.isEmpty());
    EXPECT_EQ(readBytes(path), golden);
}

TEST(TemplateSave, SavingAgainRewritesTheSameBytes) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/t.ini";
    ASSERT_TRUE(saveTemplate(path, goldenRecord()).ok);
    ASSERT_TRUE(saveTemplate(path, goldenRecord()).ok);
    EXPECT_EQ(readBytes(path), readBytes(dataFile("template_new.ini")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"t.ini"});
}

TEST(TemplateSave, FailedWriteIsReported) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/no such directory/t.ini";
    const Outcome outcome = saveTemplate(path, goldenRecord());
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.caption, "提 示：");
    EXPECT_TRUE(outcome.text.contains(path));
}

TEST(FieldText, EveryLineBreakBecomesOneSpace) {
    EXPECT_EQ(cleanFieldText(QStringLiteral("甲\r\n乙")), QStringLiteral("甲  乙"));
    EXPECT_EQ(cleanFieldText(QStringLiteral("\n\r甲\n\n")), QStringLiteral("  甲  "));
    QString many;
    for (int i = 0; i < 300; ++i)
        many += QStringLiteral("行\r\n");
    const QString flat = cleanFieldText(many);
    EXPECT_FALSE(flat.contains('\r'));
    EXPECT_FALSE(flat.contains('\n'));
    EXPECT_EQ(flat.size(), many.size());
    EXPECT_EQ(flat.count(' '), 600);
}

TEST(TemplateSave, RareCharactersRoundTripUnderTheSameName) {
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + "/BL");
    record::TranscriptRecord r = goldenRecord();
    r["num10"] = QStringLiteral("王䶮");                                      // outside GBK
    r["num16"] = QString::fromUcs4(U"\U00020BB7") + QStringLiteral("记商行"); // CJK Extension B
    r["beizu"] = QString::fromUcs4(U"当事人说😀没有") + QStringLiteral("€5");
    const QString path = templatePath(dir.path(), r);
    ASSERT_TRUE(saveTemplate(path, r).ok);
    EXPECT_TRUE(readBytes(path).contains(QByteArray("num10=\xcd\xf5\xfe\x9f\r\n"))) << "王䶮 as GB18030 writes it";
    EXPECT_TRUE(readBytes(path).contains("\x80\x35\r\n")) << "the euro sign as code page 936 writes it";

    const record::TranscriptRecord back = readTemplate(path);
    EXPECT_EQ(back.values, r.values);
    EXPECT_EQ(templatePath(dir.path(), back), path);
    ASSERT_TRUE(saveTemplate(templatePath(dir.path(), back), back).ok);
    EXPECT_EQ(QDir(dir.path() + "/BL").entryList(QDir::Files), QStringList{QFileInfo(path).fileName()});
}

TEST(TemplateSave, UnchangedWindowsTemplateKeepsItsBytes) {
    // A template as Windows tools leave it: GBK, a hand-edited line with blanks and quotes, the euro
    // sign as one byte, a character GBK maps to the private use area, an over-long value.
    QByteArray windows = readBytes(qEnvironmentVariable("QUILLON_SOURCE_DIR") + "/resources/example/example.ini");
    ASSERT_TRUE(windows.contains("num15=220104197805121234\r\n"));
    windows.replace("num15=220104197805121234\r\n", "NUM15 = \"220104197805121234\"  \r\n");
    windows.replace("num87=", "num87=\x80\xa8\xbc");
    windows.replace("num18=", "num18=" + QByteArray(12000, '8'));
    QTemporaryDir dir;
    const QString path = dir.path() + "/t.ini";
    writeBytes(path, windows);

    record::TranscriptRecord r = readTemplate(path);
    ASSERT_TRUE(saveTemplate(path, r).ok);
    EXPECT_EQ(readBytes(path), windows);

    // A changed value rewrites its own line and no other.
    r["num75"] = "35";
    ASSERT_TRUE(saveTemplate(path, r).ok);
    QByteArray changed = windows;
    changed.replace("num75=34\r\n", "num75=35\r\n");
    EXPECT_EQ(readBytes(path), changed);
}

TEST(TemplateRead, ReadsEveryKeyAndEmptiesMissingOnes) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/t.ini";
    writeBytes(path,
               gbk::encode(QStringLiteral("[SET]\r\nNUM1=2013\r\nnum24= 答：是 \r\nnum75=40\r\nbeizu=\"备注\"\r\n")));
    const record::TranscriptRecord r = readTemplate(path);
    EXPECT_EQ(r["num1"], "2013");
    EXPECT_EQ(r["num24"], QStringLiteral("答：是"));
    EXPECT_EQ(r["num75"], "40");
    EXPECT_EQ(r["num87"], QString());
    EXPECT_EQ(r["beizu"], QStringLiteral("备注"));
    EXPECT_EQ(r["num16"], QString());

    const record::TranscriptRecord none = readTemplate(dir.path() + "/missing.ini");
    for (const QString& v : none.values)
        EXPECT_TRUE(v.isEmpty());
}

TEST(TemplateRead, GoldenFileReadsBackTheRecord) {
    const record::TranscriptRecord r = readTemplate(dataFile("template_new.ini"));
    EXPECT_EQ(r.values, goldenRecord().values);
}

TEST(TemplateRead, LongValueIsSavedWholeAndReadBackCut) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/t.ini";
    record::TranscriptRecord r = goldenRecord();
    r["num30"] = QString(6000, QChar(0x7B54)); // 答, 12 000 bytes in GBK
    ASSERT_TRUE(saveTemplate(path, r).ok);
    EXPECT_TRUE(readBytes(path).contains(gbk::encode(r["num30"])));
    const QString back = readTemplate(path)["num30"];
    EXPECT_LE(gbk::byteLength(back), 10239);
    EXPECT_GE(gbk::byteLength(back), 10238);
    EXPECT_TRUE(r["num30"].startsWith(back));
}

} // namespace
