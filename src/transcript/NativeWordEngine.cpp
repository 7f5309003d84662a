// NativeWordEngine: Quillon's own writer, reader and page renderer.
#include "transcript/NativeWordEngine.h"

#ifdef QUILLON_HAVE_WORD
#include "transcript/word/DocReader.h"
#include "transcript/word/DocWriter.h"
#include "transcript/word/NativeDocumentWriter.h"
#include "transcript/word/Printing.h"
#include <QPrintPreviewDialog>
#endif

#include <QDialog>

namespace transcript {

#ifdef QUILLON_HAVE_WORD
QString NativeWordEngine::location() const { return QStringLiteral("Quillon Word 97-2003"); }
std::unique_ptr<word::DocumentWriter> NativeWordEngine::createWriter() { return word::createDocumentWriter(); }
QByteArray NativeWordEngine::blankDocument() const { return word::blankDocumentBytes(); }
std::unique_ptr<QDialog> NativeWordEngine::makePreview(const QString& path, QWidget* parent) {
    QString error;
    const std::optional<word::Document> document = word::readDocumentFile(path, &error);
    if (!document)
        return nullptr;
    return word::makePrintPreview(*document, parent);
}
#else
// Built without the document writer: no writer can work, and the commands say so.
QString NativeWordEngine::location() const { return {}; }
std::unique_ptr<word::DocumentWriter> NativeWordEngine::createWriter() { return nullptr; }
QByteArray NativeWordEngine::blankDocument() const { return {}; }
std::unique_ptr<QDialog> NativeWordEngine::makePreview(const QString&, QWidget*) { return nullptr; }
#endif

} // namespace transcript
