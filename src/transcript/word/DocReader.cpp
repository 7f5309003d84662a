// Telling .doc from text files, and reading text files.
#include "DocReader.h"

#include "DocParser.h"

#include "platform/Gbk.h"

#include <QFile>
#include <QStringDecoder>

namespace word {

namespace {

const char kOleSignature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

bool isPlainText(const QString& text) {
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == 0xFFFD || (u < 0x20 && u != u'\t' && u != u'\r' && u != u'\n' && u != 0x0C && u != 0x1A))
            return false;
    }
    return true;
}

std::optional<QString> decodeText(const QByteArray& bytes) {
    std::optional<QStringDecoder> decoder;
    QByteArrayView body(bytes);
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        decoder.emplace(QStringDecoder::Utf8);
        body = body.sliced(3);
    } else if (bytes.startsWith("\xFF\xFE")) {
        decoder.emplace(QStringDecoder::Utf16LE);
        body = body.sliced(2);
    } else if (bytes.startsWith("\xFE\xFF")) {
        decoder.emplace(QStringDecoder::Utf16BE);
        body = body.sliced(2);
    } else {
        if (bytes.contains('\0'))
            return std::nullopt;
        // Text saved as UTF-8 without a mark: Chinese text in GBK is hardly ever valid UTF-8, while
        // UTF-8 read as GB18030 gives other characters without an error.
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString unicode = utf8.decode(body);
        if (!utf8.hasError() && isPlainText(unicode))
            return unicode;
        // GB18030 reads every GBK text and more; bytes it cannot read come back as replacement
        // characters, which no plain text holds.
        QString text = gbk::decode(body);
        return isPlainText(text) ? std::optional<QString>(text) : std::nullopt;
    }
    QString text = decoder->decode(body);
    if (decoder->hasError() || !isPlainText(text))
        return std::nullopt;
    return text;
}

std::optional<Document> readText(const QByteArray& bytes, QString* error) {
    const std::optional<QString> text = decodeText(bytes);
    if (!text) {
        *error = QStringLiteral("不是Word文档，也不是文本文件。");
        return std::nullopt;
    }
    Document document;
    document.page = textPageSetup();
    Caret caret;
    QString body = *text;
    body.remove(QChar(0x1A)); // end-of-file mark of old editors
    typeText(document, caret, body, CharFormat{});
    return document;
}

} // namespace

bool officeSuitePrints(const QByteArray& bytes) {
    if (bytes.startsWith(kOleSignature) || bytes.startsWith("{\\rtf"))
        return true;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    return !text.isEmpty() && !utf8.hasError() && isPlainText(text);
}

PageSetup textPageSetup() {
    PageSetup page;
    page.marginTop = 1440;
    page.marginBottom = 1440;
    page.marginLeft = 1800;
    page.marginRight = 1800;
    return page;
}

std::optional<Document> readDocumentBytes(const QByteArray& bytes, QString* error) {
    QString reason;
    std::optional<Document> document;
    if (bytes.isEmpty())
        reason = QStringLiteral("文件是空的。");
    else if (bytes.size() > kMaxDocumentBytes)
        reason = QStringLiteral("文件太大（超过64MB）。");
    else if (bytes.startsWith(kOleSignature))
        document = parseDoc(bytes, &reason);
    else if (bytes.startsWith("{\\rtf"))
        reason = QStringLiteral("是RTF格式的文档，不是Word 97-2003文档，无法读取。");
    else if (bytes.startsWith("PK\x03\x04"))
        reason = QStringLiteral("是压缩格式（docx等）的文档，不是Word 97-2003文档，无法读取。");
    else
        document = readText(bytes, &reason);
    if (!document && error)
        *error = reason;
    return document;
}

std::optional<Document> readDocumentFile(const QString& path, QString* error) {
    QFile file(path);
    QString reason;
    std::optional<Document> document;
    if (!file.open(QIODevice::ReadOnly))
        reason = QStringLiteral("文件不存在或不能读取。");
    else if (file.size() > kMaxDocumentBytes)
        reason = QStringLiteral("文件太大（超过64MB）。");
    else
        document = readDocumentBytes(file.readAll(), &reason);
    if (!document && error)
        *error = QStringLiteral("无法打开文件 <%1>：%2").arg(path, reason);
    return document;
}

} // namespace word
