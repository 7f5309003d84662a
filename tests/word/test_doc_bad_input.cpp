// Files the reader cannot read get a clear error and never a crash or a hang: empty, missing,
// truncated, random, encrypted, old-format, oversized and damaged documents, binary "text" files.
// Text files in GBK or with a byte order mark are read.
#include "Bytes.h"
#include "DocReader.h"
#include "DocStreams.h"
#include "DocWriter.h"
#include "platform/Gbk.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace word;

namespace {

Document sampleDocument() {
    Document document = blankDocument();
    Caret caret;
    for (int i = 0; i < 60; ++i)
        typeText(document, caret, QStringLiteral("问：第%1行的文字 text\r\n").arg(i),
                 CharFormat{i % 2 == 0, 28, i % 3 == 0});
    return document;
}

class BadInput : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    // Reads the file and expects a refusal whose message names the file and gives the reason.
    void expectRefused(const QString& name, const QByteArray& bytes, const QString& reason) {
        const QString path = write(name, bytes);
        QString error;
        EXPECT_FALSE(readDocumentFile(path, &error)) << qPrintable(name);
        EXPECT_TRUE(error.startsWith(QStringLiteral("无法打开文件 <%1>：").arg(path))) << qPrintable(error);
        EXPECT_TRUE(error.contains(reason)) << qPrintable(name) << ": " << qPrintable(error);
    }

    QTemporaryDir m_dir;
};

TEST_F(BadInput, emptyMissingAndOversizedFiles) {
    expectRefused("empty.doc", {}, QStringLiteral("文件是空的"));
    QString error;
    EXPECT_FALSE(readDocumentFile(m_dir.filePath("missing.doc"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("文件不存在或不能读取"))) << qPrintable(error);

    const QString huge = write("huge.doc", "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    QFile file(huge);
    ASSERT_TRUE(file.resize(kMaxDocumentBytes + 1));
    EXPECT_FALSE(readDocumentFile(huge, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("文件太大"))) << qPrintable(error);
}

TEST_F(BadInput, truncatedDocuments) {
    const QByteArray whole = writeDoc(sampleDocument());
    ASSERT_TRUE(readDocumentBytes(whole, nullptr));
    for (qsizetype length : {qsizetype(8), qsizetype(100), qsizetype(512), qsizetype(1024), qsizetype(2048),
                             whole.size() / 4, whole.size() / 2}) {
        QString error;
        EXPECT_FALSE(readDocumentBytes(whole.left(length), &error)) << length;
        EXPECT_FALSE(error.isEmpty()) << length;
    }
    expectRefused("truncated.doc", whole.left(whole.size() / 2), QStringLiteral("损坏"));
    // Cut anywhere, the reader answers: a document or a reason.
    for (qsizetype length = 512; length < whole.size(); length += 509) {
        QString error;
        const std::optional<Document> read = readDocumentBytes(whole.left(length), &error);
        EXPECT_TRUE(read || !error.isEmpty()) << length;
    }
}

TEST_F(BadInput, randomBytesWithAndWithoutTheContainerSignature) {
    QRandomGenerator random(4711);
    for (int i = 0; i < 40; ++i) {
        QByteArray bytes(1 + random.bounded(20000), '\0');
        for (char& c : bytes)
            c = char(random.bounded(256));
        if (i % 2)
            bytes.replace(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
        QString error;
        EXPECT_FALSE(readDocumentBytes(bytes, &error)) << i;
        EXPECT_FALSE(error.isEmpty());
    }
    QByteArray noise(3000, '\0');
    for (char& c : noise)
        c = char(random.bounded(256));
    expectRefused("rich.doc", "{\\rtf1\\ansi text}", QStringLiteral("RTF格式"));
    expectRefused("zipped.doc", QByteArray("PK\x03\x04\x14\0\0\0", 8) + noise, QStringLiteral("docx"));
    expectRefused("noise.doc", noise, QStringLiteral("不是Word文档，也不是文本文件"));
    expectRefused("noise.txt", noise, QStringLiteral("不是Word文档，也不是文本文件"));
}

TEST_F(BadInput, encryptedOldAndForeignDocuments) {
    DocStreams encrypted = buildDocStreams(sampleDocument());
    setU16(encrypted.wordDocument, 0x0A, 0x5200 | 0x0100);
    expectRefused("encrypted.doc", packDocStreams(encrypted), QStringLiteral("加密"));

    DocStreams word95 = buildDocStreams(sampleDocument());
    setU16(word95.wordDocument, 0, 0xA5DC);
    setU16(word95.wordDocument, 2, 0x0065);
    expectRefused("word95.doc", packDocStreams(word95), QStringLiteral("旧版本"));

    DocStreams foreign = buildDocStreams(sampleDocument());
    setU16(foreign.wordDocument, 0, 0x1234);
    expectRefused("foreign.doc", packDocStreams(foreign), QStringLiteral("不是Word文档"));

    DocStreams tooLong = buildDocStreams(sampleDocument());
    setU32(tooLong.wordDocument, 0x4C, 5 * 1024 * 1024);
    expectRefused("toolong.doc", packDocStreams(tooLong), QStringLiteral("文档太长"));

    DocStreams noTable = buildDocStreams(sampleDocument());
    setU16(noTable.wordDocument, 0x0A, 0x5000); // points at a 0Table stream that is not there
    expectRefused("notable.doc", packDocStreams(noTable), QStringLiteral("损坏"));
}

// Damage anywhere in the streams: every read ends with a document or a reason.
TEST_F(BadInput, damagedStreamsNeverCrash) {
    const DocStreams good = buildDocStreams(sampleDocument());
    QRandomGenerator random(1234);
    int refused = 0;
    for (int i = 0; i < 1500; ++i) {
        DocStreams damaged = good;
        QByteArray& target = i % 3 == 0 ? damaged.wordDocument : damaged.table;
        const int changes = 1 + random.bounded(8);
        for (int k = 0; k < changes; ++k) {
            // Aim most changes at the FIB and the tables, where offsets and counts live.
            const qsizetype limit = i % 3 == 0 && k % 2 == 0 ? 0x400 : target.size();
            const qsizetype at = random.bounded(limit);
            target[at] = char(random.bounded(256));
        }
        if (i % 50 == 0)
            target.truncate(random.bounded(target.size()));
        QString error;
        const std::optional<Document> read = readDocumentBytes(packDocStreams(damaged), &error);
        EXPECT_TRUE(read || !error.isEmpty());
        refused += read ? 0 : 1;
    }
    EXPECT_GT(refused, 0);
}

TEST_F(BadInput, textFilesInGbkAndInUtf8WithOrWithoutAMark) {
    const QString text = QStringLiteral("帮助说明\r\n第二行 second\r\n\r\n最后一行");
    for (const auto& [name, bytes] : {std::pair{QString("gbk.txt"), gbk::encode(text)},
                                      std::pair{QString("utf8.txt"), "\xEF\xBB\xBF" + text.toUtf8()},
                                      std::pair{QString("utf8-without-mark.txt"), text.toUtf8()}}) {
        QString error;
        const std::optional<Document> read = readDocumentFile(write(name, bytes), &error);
        ASSERT_TRUE(read) << qPrintable(error);
        EXPECT_EQ(read->plainText(), QStringLiteral("帮助说明\n第二行 second\n\n最后一行")) << qPrintable(name);
        EXPECT_TRUE(read->footer.isEmpty());
        EXPECT_EQ(read->page, textPageSetup());
    }
    expectRefused("nul.txt", QByteArray("text with a\0NUL byte", 20), QStringLiteral("不是Word文档，也不是文本文件"));
    expectRefused("badgbk.txt", QByteArray("\x81\x20\xFF\xFF abc"), QStringLiteral("不是Word文档，也不是文本文件"));
    expectRefused("badutf8.txt", QByteArray("\xEF\xBB\xBF\xC3\x28 abc"),
                  QStringLiteral("不是Word文档，也不是文本文件"));
}

} // namespace
