// The writer's operations as the composition and the commands use them: start, connect, open the
// blank copy, format and type, save as, close, quit; what happens out of order; opening files.
#include "DocReader.h"
#include "DocWriter.h"
#include "NativeDocumentWriter.h"
#include "platform/Gbk.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace word;

namespace {

class NativeWriter : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes) {
        QFile file(m_dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }
    void openBlank() {
        ASSERT_TRUE(m_writer.start());
        ASSERT_TRUE(m_writer.connect());
        ASSERT_TRUE(m_writer.open(write("Doc.doc", blankDocumentBytes()))) << qPrintable(m_writer.lastError());
        m_writer.hide();
    }
    QTemporaryDir m_dir;
    NativeDocumentWriter m_writer;
};

TEST_F(NativeWriter, typesRunsAndParagraphsWithTheFormatInForce) {
    openBlank();
    m_writer.setAlignment(Alignment::Centre);
    m_writer.setSize(22);
    m_writer.setBold(true);
    m_writer.type(QStringLiteral("vodir询问笔录\r\n\r\n"));
    m_writer.setBold(false);
    m_writer.setSize(14);
    m_writer.setAlignment(Alignment::Left);
    m_writer.type(QStringLiteral("地点："));
    m_writer.setUnderline(true);
    m_writer.type(QStringLiteral("办公室   \r\n"));
    m_writer.setUnderline(false);
    m_writer.type(QStringLiteral("  签名"));

    const Document& document = *m_writer.document();
    ASSERT_EQ(document.paragraphs.size(), 4);
    const CharFormat title{true, 44, false};
    EXPECT_EQ(document.paragraphs[0],
              (Paragraph{{{QStringLiteral("vodir询问笔录"), title}}, Alignment::Centre, title}));
    EXPECT_EQ(document.paragraphs[1], (Paragraph{{}, Alignment::Centre, title}))
        << "the empty line keeps the title size";
    const CharFormat plain{false, 28, false};
    const CharFormat underlined{false, 28, true};
    EXPECT_EQ(document.paragraphs[2],
              (Paragraph{{{QStringLiteral("地点："), plain}, {QStringLiteral("办公室   "), underlined}},
                         Alignment::Left,
                         underlined}));
    EXPECT_EQ(document.paragraphs[3].text(), QStringLiteral("  签名"));
    EXPECT_EQ(document.paragraphs[3].mark, plain) << "the last paragraph's mark takes the typed format";
    EXPECT_EQ(document.footer, transcriptFooter());
}

TEST_F(NativeWriter, savesAsAWordFileThatReadsBackAndReplacesAnOlderOne) {
    openBlank();
    m_writer.setBold(true);
    m_writer.type(QStringLiteral("第一段\r\n第二段"));
    const QString path = write("out.doc", "older content");
    ASSERT_TRUE(m_writer.saveAs(path)) << qPrintable(m_writer.lastError());
    QString error;
    const std::optional<Document> read = readDocumentFile(path, &error);
    ASSERT_TRUE(read) << qPrintable(error);
    EXPECT_EQ(read->plainText(), QStringLiteral("第一段\n第二段"));
    EXPECT_EQ(read->paragraphs, m_writer.document()->paragraphs);

    const QString unreachable = m_dir.filePath("no/such/dir/out.doc");
    EXPECT_FALSE(m_writer.saveAs(unreachable));
    EXPECT_TRUE(m_writer.lastError().contains(unreachable)) << qPrintable(m_writer.lastError());
    EXPECT_EQ(readDocumentFile(path, &error)->plainText(), QStringLiteral("第一段\n第二段"));
}

TEST_F(NativeWriter, operationsOutOfOrderFailWithAReason) {
    EXPECT_FALSE(m_writer.connect());
    EXPECT_FALSE(m_writer.open(write("Doc.doc", blankDocumentBytes())));
    EXPECT_FALSE(m_writer.lastError().isEmpty());
    m_writer.type(QStringLiteral("nowhere"));
    EXPECT_FALSE(m_writer.saveAs(m_dir.filePath("x.doc")));
    EXPECT_EQ(m_writer.lastError(), QStringLiteral("没有打开的文档。"));
    EXPECT_FALSE(QFile::exists(m_dir.filePath("x.doc")));

    openBlank();
    m_writer.close();
    EXPECT_EQ(m_writer.document(), nullptr);
    EXPECT_FALSE(m_writer.saveAs(m_dir.filePath("x.doc")));
    m_writer.quit();
    EXPECT_FALSE(m_writer.connect()) << "quit ends the session";
}

TEST_F(NativeWriter, opensTextFilesAndTypesAtTheStart) {
    ASSERT_TRUE(m_writer.start() && m_writer.connect());
    ASSERT_TRUE(m_writer.open(write("help.txt", gbk::encode(QStringLiteral("帮助第一行\r\n第二行")))));
    m_writer.type(QStringLiteral("新的\r\n"));
    EXPECT_EQ(m_writer.document()->plainText(), QStringLiteral("新的\n帮助第一行\n第二行"));

    const QString garbage = write("garbage.doc", QByteArray(100, '\x01'));
    EXPECT_FALSE(m_writer.open(garbage));
    EXPECT_TRUE(m_writer.lastError().contains(garbage));
    EXPECT_NE(m_writer.document(), nullptr) << "a failed open keeps the open document";
}

TEST_F(NativeWriter, blankWorkingCopyIsTheWritersEmptyDocument) {
    const QByteArray blank = blankDocumentBytes();
    EXPECT_EQ(blank, writeDoc(blankDocument()));
    QString error;
    const std::optional<Document> read = readDocumentBytes(blank, &error);
    ASSERT_TRUE(read) << qPrintable(error);
    EXPECT_EQ(read->paragraphs, blankDocument().paragraphs);
    EXPECT_EQ(read->page, PageSetup{});
    EXPECT_EQ(read->footer, QStringLiteral("共      页第     页"));
}

} // namespace
