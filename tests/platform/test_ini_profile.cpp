// The profile module against the reading and writing rules of Windows' profile functions, on
// GBK files with CR LF lines as Windows writes them.
#include "TestServices.h"
#include "platform/Gbk.h"
#include "platform/IniProfile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray g(const QString& text) {
    return gbk::encode(text);
}
QString read(const QByteArray& content, const QString& section, const QString& key) {
    return gbk::decode(ini::lookup(content, g(section), g(key)));
}

// As written by Windows' own profile functions: GBK, CR LF, no quoting.
const QByteArray kWindowsFile = gbkFile(QStringLiteral("[set]\n"
                                                       "num1=2013\n"
                                                       "num10=张三\n"
                                                       "num16=吉林省某某烟草零售店\n"
                                                       "beizu=当事人  称不知情\n"
                                                       "[Set1]\n"
                                                       "didian1=经理\n"));

} // namespace

TEST(IniRead, WindowsWrittenFileReadsBack) {
    EXPECT_EQ(read(kWindowsFile, "set", "num1"), "2013");
    EXPECT_EQ(read(kWindowsFile, "set", "num10"), "张三");
    EXPECT_EQ(read(kWindowsFile, "set", "num16"), "吉林省某某烟草零售店");
    EXPECT_EQ(read(kWindowsFile, "set", "beizu"), "当事人  称不知情");
    EXPECT_EQ(read(kWindowsFile, "Set1", "didian1"), "经理");
    // Keys of one section are not found in another.
    EXPECT_EQ(read(kWindowsFile, "set", "didian1"), "");
    EXPECT_EQ(read(kWindowsFile, "Set1", "num1"), "");
}

TEST(IniRead, BlanksQuotesAndCase) {
    const QByteArray content = gbkFile(QStringLiteral("[ Pop ]\n"
                                                      "  TanChu  =  0  \n"
                                                      "quoted=\"  内 有 空 格  \"\n"
                                                      "single='abc'\n"
                                                      "unbalanced=\"abc\n"
                                                      "twice=\"\"x\"\"\n"
                                                      "tab=\tvalue\t\n"
                                                      "empty=\n"));
    EXPECT_EQ(read(content, "pop", "tanchu"), "0");
    EXPECT_EQ(read(content, "POP", "TANCHU"), "0");
    EXPECT_EQ(read(content, "pop", "quoted"), "  内 有 空 格  ");
    EXPECT_EQ(read(content, "pop", "single"), "abc");
    EXPECT_EQ(read(content, "pop", "unbalanced"), "\"abc");
    EXPECT_EQ(read(content, "pop", "twice"), "\"x\"");
    EXPECT_EQ(read(content, "pop", "tab"), "value");
    EXPECT_EQ(read(content, "pop", "empty"), "");
    EXPECT_EQ(read(content, "pop", "missing"), "");
    EXPECT_EQ(read(content, "nosection", "tanchu"), "");
}

TEST(IniRead, CaseFoldingLeavesChineseNamesExact) {
    // "数" and "擞" differ only in a trail byte that falls in the ASCII letter range.
    const QByteArray content = gbkFile(QStringLiteral("[节]\nkey=1\n[䶮😀a]\nk=2\n"));
    EXPECT_EQ(read(content, "节", "KEY"), "1");
    EXPECT_EQ(read(content, QStringLiteral("䶮😀A"), "K"), "2");
    const QByteArray lead = g(QStringLiteral("数"));
    QByteArray folded = lead;
    folded[1] = char(folded[1] ^ 0x20);
    EXPECT_EQ(ini::lookup("[" + lead + "]\r\nk=1\r\n", folded, "k"), QByteArray());
}

TEST(IniRead, FirstSectionAndFirstKeyCount) {
    const QByteArray content =
        gbkFile(QStringLiteral("[a]\nk=first\nk=second\n[b]\nx=1\n[A]\nk=third\nonly=second section\n"));
    EXPECT_EQ(read(content, "a", "k"), "first");
    EXPECT_EQ(read(content, "a", "only"), "");
    EXPECT_EQ(read(content, "b", "x"), "1");
}

TEST(IniRead, LineEndsAndOddBytes) {
    EXPECT_EQ(ini::lookup("[s]\nk=lf only\nj=2", "s", "k"), "lf only");
    EXPECT_EQ(ini::lookup("[s]\nk=lf only\nj=2", "s", "j"), "2"); // no final line end
    EXPECT_EQ(ini::lookup("[s]\r\nk=v\r\n", "s", "k"), "v");
    EXPECT_EQ(ini::lookup("", "s", "k"), "");
    EXPECT_EQ(ini::lookup("[s\r\nk=v\r\n", "s", "k"), "v"); // unclosed header
    EXPECT_EQ(ini::lookup("no section\r\nk=v\r\n", "s", "k"), "");
    // Bytes that are not GBK come back as they are.
    const QByteArray bad("[s]\r\nk=\xff\xfe\x80\r\n");
    EXPECT_EQ(ini::lookup(bad, "s", "k"), QByteArray("\xff\xfe\x80"));
    // A value holding = keeps everything after the first one.
    EXPECT_EQ(ini::lookup("[s]\r\nurl=http://a/?x=1\r\n", "s", "url"), "http://a/?x=1");
}

TEST(IniRead, LongValuesAreCutAtTheLimit) {
    const QByteArray ascii(12000, 'a');
    EXPECT_EQ(ini::lookup("[s]\r\nk=" + ascii + "\r\n", "s", "k").size(), ini::kReadLimit);
    // 10 239 is odd: a double-byte text is cut before its last whole character.
    const QByteArray chinese = g(QString(6000, QChar(0x6587)));
    const QByteArray cut = ini::lookup("[s]\r\nk=" + chinese + "\r\n", "s", "k");
    EXPECT_EQ(cut.size(), ini::kReadLimit - 1);
    EXPECT_EQ(gbk::decode(cut), QString(5119, QChar(0x6587)));
    // Nor is a four-byte sequence cut apart: 10 236 bytes hold 2 559 emoji.
    const QString emoji = QString::fromUcs4(U"😀");
    const QByteArray fourByte = g(emoji.repeated(3000));
    const QByteArray cutFour = ini::lookup("[s]\r\nk=" + fourByte + "\r\n", "s", "k");
    EXPECT_EQ(gbk::decode(cutFour), emoji.repeated(2559));
}

TEST(IniWrite, NewFileInKeyOrder) {
    const QByteArray written = ini::update({}, "set", {{"num1", "2013"}, {"num2", ""}, {"beizu", g("备注")}});
    EXPECT_EQ(written, "[set]\r\nnum1=2013\r\nnum2=\r\n" + QByteArray("beizu=") + g("备注") + "\r\n");
}

TEST(IniWrite, UpdatesInPlaceAndKeepsEverythingElse) {
    const QByteArray before = gbkFile(QStringLiteral("; 手工注释\n"
                                                     "[other]\n"
                                                     "num1=untouched\n"
                                                     "\n"
                                                     "[SET]\n"
                                                     "Num1 = old\n"
                                                     "extra=保留\n"
                                                     "\n"
                                                     "[tail]\n"
                                                     "z=1\n"));
    const QByteArray after = ini::update(before, "set", {{"num1", "2014"}, {"num2", "5"}});
    EXPECT_EQ(after, gbkFile(QStringLiteral("; 手工注释\n"
                                            "[other]\n"
                                            "num1=untouched\n"
                                            "\n"
                                            "[SET]\n"
                                            "num1=2014\n"
                                            "extra=保留\n"
                                            "num2=5\n"
                                            "\n"
                                            "[tail]\n"
                                            "z=1\n")));
}

TEST(IniWrite, AppendsSectionsAndRepairsAMissingFinalLineEnd) {
    EXPECT_EQ(ini::update("[a]\r\nx=1", "a", {{"y", "2"}}), "[a]\r\nx=1\r\ny=2\r\n");
    EXPECT_EQ(ini::update("[a]\r\nx=1", "b", {{"y", "2"}}), "[a]\r\nx=1\r\n[b]\r\ny=2\r\n");
    EXPECT_EQ(ini::update("[a]\nx=1\n", "a", {{"x", "3"}}), "[a]\nx=3\n"); // LF-only lines stay LF-only
}

TEST(IniFile, MissingFileReadsEmptyAndWritesCreateIt) {
    QTemporaryDir dir;
    const QString path = dir.filePath("t.ini");
    EXPECT_EQ(ini::readString(path, "set", "num1"), "");
    ASSERT_TRUE(ini::writeStrings(path, "set", {{"num1", "张三"}, {"num2", "x"}}));
    EXPECT_EQ(readFile(path), gbkFile(QStringLiteral("[set]\nnum1=张三\nnum2=x\n")));
    EXPECT_EQ(ini::readString(path, "SET", "NUM1"), "张三");
    ASSERT_TRUE(ini::writeString(path, "set", "num1", "李四"));
    EXPECT_EQ(readFile(path), gbkFile(QStringLiteral("[set]\nnum1=李四\nnum2=x\n")));
}

TEST(IniFile, AWriteThatCannotHappenIsReported) {
    QTemporaryDir dir;
    writeFile(dir.filePath("plain"), "not a folder");
    EXPECT_FALSE(ini::writeString(dir.filePath("plain/t.ini"), "set", "k", "v"));
    EXPECT_FALSE(ini::writeString(dir.filePath("no/such/dir/t.ini"), "set", "k", "v"));
    EXPECT_EQ(readFile(dir.filePath("plain")), "not a folder");
}
