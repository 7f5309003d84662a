// The document writer's operations on the document model.
#include "NativeDocumentWriter.h"

#include "DocReader.h"
#include "DocWriter.h"
#include "PageRenderer.h"

namespace word {

namespace {

// 22 inches in twips, the longest page side a word processor takes.
constexpr int kLongestLength = 31680;

} // namespace

bool NativeDocumentWriter::start() {
    m_started = true;
    m_error.clear();
    return true;
}

bool NativeDocumentWriter::connect() {
    if (!m_started)
        return fail(QStringLiteral("文档程序没有启动。"));
    m_connected = true;
    return true;
}

bool NativeDocumentWriter::open(const QString& path) {
    if (!m_connected)
        return fail(QStringLiteral("文档程序没有启动。"));
    QString error;
    std::optional<Document> document = readDocumentFile(path, &error);
    if (!document)
        return fail(error);
    m_document = std::move(document);
    // The insertion point starts at the beginning of the document, in the format found there.
    m_caret = Caret{};
    const Paragraph& first = m_document->paragraphs.first();
    m_format = first.runs.isEmpty() ? first.mark : first.runs.first().format;
    return true;
}

void NativeDocumentWriter::hide() {
    // Nothing is ever shown on screen: the document lives in memory only.
}

void NativeDocumentWriter::setBold(bool on) {
    m_format.bold = on;
}

void NativeDocumentWriter::setSize(int points) {
    if (points > 0 && points <= 1638)
        m_format.halfPoints = points * 2;
}

void NativeDocumentWriter::setUnderline(bool on) {
    m_format.underline = on;
}

void NativeDocumentWriter::setAlignment(Alignment alignment) {
    if (Paragraph* paragraph = currentParagraph())
        paragraph->alignment = alignment;
}

void NativeDocumentWriter::setLineSpacing(int twips) {
    if (Paragraph* paragraph = currentParagraph(); paragraph && twips >= 0 && twips <= kLongestLength)
        paragraph->lineSpacing = twips;
}

void NativeDocumentWriter::setRightTab(int twips) {
    if (Paragraph* paragraph = currentParagraph(); paragraph && twips >= 0 && twips <= kLongestLength)
        paragraph->rightTab = twips;
}

void NativeDocumentWriter::setPageBreakBefore(bool on) {
    if (Paragraph* paragraph = currentParagraph())
        paragraph->pageBreakBefore = on;
}

void NativeDocumentWriter::type(const QString& text) {
    if (requireDocument())
        typeText(*m_document, m_caret, text, m_format);
}

bool NativeDocumentWriter::saveAs(const QString& path) {
    if (!requireDocument())
        return false;
    QString error;
    return saveDoc(*m_document, path, &error) || fail(error);
}

bool NativeDocumentWriter::print(const PrintTarget& target) {
    if (!requireDocument())
        return false;
    if (!m_pages)
        return fail(kCannotPaint);
    QString error;
    return m_pages->print(*m_document, target, &error) || fail(error);
}

void NativeDocumentWriter::close() {
    m_document.reset();
    m_caret = Caret{};
}

void NativeDocumentWriter::quit() {
    close();
    m_connected = false;
    m_started = false;
}

QString NativeDocumentWriter::lastError() const {
    return m_error;
}

const Document* NativeDocumentWriter::document() const {
    return m_document ? &*m_document : nullptr;
}

bool NativeDocumentWriter::fail(const QString& error) {
    m_error = error;
    return false;
}

Paragraph* NativeDocumentWriter::currentParagraph() {
    return m_document ? &m_document->paragraphs[m_caret.paragraph] : nullptr;
}

bool NativeDocumentWriter::requireDocument() {
    return m_document || fail(QStringLiteral("没有打开的文档。"));
}

} // namespace word
