// Documents that LibreOffice itself saves as Word 97-2003 files are read with their text and
// formats: one with mixed formatting and one with a field, a table and breaks, both made from
// OpenDocument files, and our transcript re-saved.
#include "DocReader.h"
#include "ReaderTools.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace word;

namespace {

TEST(DocReaderLibreOffice, readsWhatLibreOfficeSaves) {
    QTemporaryDir dir;
    const QString source = qEnvironmentVariable("QUILLON_SOURCE_DIR") + "/tests/word/data/mixed.fodt";
    const QString fodt = dir.filePath("mixed.fodt");
    ASSERT_TRUE(QFile::copy(source, fodt));
    const QString fields = dir.filePath("fields.fodt");
    ASSERT_TRUE(QFile::copy(QString(source).replace("mixed.fodt", "fields.fodt"), fields));
    const Document transcript = tools::writeSampleTranscript(dir.filePath("transcript.doc"));
    ASSERT_TRUE(tools::convertWithLibreOffice({fodt, fields, dir.filePath("transcript.doc")}, "doc:MS Word 97",
                                              dir.filePath("out"), dir.filePath("profile")));

    QString error;
    const std::optional<Document> mixed = readDocumentFile(dir.filePath("out/mixed.doc"), &error);
    ASSERT_TRUE(mixed) << qPrintable(error);
    const QStringList expected{"P 1",
                               "R 1 44 0 询问笔录 Title",
                               "P 0",
                               "R 0 21 0 普通 plain ",
                               "R 0 21 1 下划线 underlined",
                               "R 0 21 0 -",
                               "R 0 28 0 十四磅",
                               "R 1 28 1 粗体下划线",
                               "P 0",
                               "P 1",
                               "R 0 21 0 居中 centred"};
    EXPECT_EQ(tools::formatListing(*mixed, false), expected);

    // A field shows its result, table cells and line breaks end lines, a tab stays.
    const std::optional<Document> withFields = readDocumentFile(dir.filePath("out/fields.doc"), &error);
    ASSERT_TRUE(withFields) << qPrintable(error);
    EXPECT_EQ(withFields->plainText(), QStringLiteral("第1页 field\n甲\n乙\n\nafter\ttab\nnext"));

    const std::optional<Document> resaved = readDocumentFile(dir.filePath("out/transcript.doc"), &error);
    ASSERT_TRUE(resaved) << qPrintable(error);
    EXPECT_EQ(tools::formatListing(*resaved, false), tools::formatListing(transcript, false));
    EXPECT_EQ(resaved->plainText(), transcript.plainText());
    EXPECT_EQ(resaved->page.pageWidth, 11906);
    EXPECT_EQ(resaved->page.pageHeight, 16838);
    EXPECT_EQ(resaved->page.marginTop, 1474);
    EXPECT_EQ(resaved->page.marginLeft, 1361);
    EXPECT_EQ(resaved->page.linePitch, 312);
    EXPECT_EQ(resaved->footer, transcriptFooter());
}

} // namespace
