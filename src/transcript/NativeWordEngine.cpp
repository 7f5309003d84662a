// NativeWordEngine: Quillon's own writer, reader and page renderer.
#include "transcript/NativeWordEngine.h"

#include "transcript/word/DocReader.h"
#include "transcript/word/DocWriter.h"
#include "transcript/word/NativeDocumentWriter.h"
#include "transcript/word/Printing.h"

#include <QPrintPreviewDialog>

namespace transcript {

QString NativeWordEngine::location() const {
    return QStringLiteral("Quillon Word 97-2003");
}

std::unique_ptr<word::DocumentWriter> NativeWordEngine::createWriter() {
    return word::createDocumentWriter();
}

QByteArray NativeWordEngine::blankDocument() const {
    return word::blankDocumentBytes();
}

QString NativeWordEngine::printerProblem(const word::PrintTarget& target) const {
    return word::printerProblem(target);
}

std::unique_ptr<QDialog> NativeWordEngine::makePreview(const QString& path, QWidget* parent) {
    QString error;
    const std::optional<word::Document> document = word::readDocumentFile(path, &error);
    if (!document)
        return nullptr;
    return word::makePrintPreview(*document, parent);
}

} // namespace transcript
