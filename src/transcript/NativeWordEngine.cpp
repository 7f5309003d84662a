// NativeWordEngine: Quillon's own writer and reader, and the page renderer it is given.
#include "transcript/NativeWordEngine.h"

#include "transcript/word/DocReader.h"
#include "transcript/word/DocWriter.h"
#include "transcript/word/NativeDocumentWriter.h"
#include "transcript/word/PageRenderer.h"

namespace transcript {

QString NativeWordEngine::location() const {
    return QStringLiteral("Quillon Word 97-2003");
}

std::unique_ptr<word::DocumentWriter> NativeWordEngine::createWriter() {
    return std::make_unique<word::NativeDocumentWriter>(m_pages);
}

QByteArray NativeWordEngine::blankDocument() const {
    return word::blankDocumentBytes();
}

QString NativeWordEngine::printerProblem(const word::PrintTarget& target) const {
    return m_pages ? m_pages->printerProblem(target) : word::kCannotPaint;
}

std::shared_ptr<QDialog> NativeWordEngine::makePreview(const QString& path, QWidget* parent) {
    QString error;
    const std::optional<word::Document> document = word::readDocumentFile(path, &error);
    if (!document || !m_pages)
        return nullptr;
    return m_pages->makePreview(*document, parent);
}

} // namespace transcript
