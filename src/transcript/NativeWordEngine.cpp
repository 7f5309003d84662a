// NativeWordEngine: Quillon's own writer, reader and page renderer.
#include "transcript/NativeWordEngine.h"

#ifdef QUILLON_HAVE_WORD
#include "transcript/word/DocWriter.h"
#include "transcript/word/NativeDocumentWriter.h"
#include "transcript/word/Printing.h"
#endif

namespace transcript {

#ifdef QUILLON_HAVE_WORD
QString NativeWordEngine::location() const { return QStringLiteral("Quillon Word 97-2003"); }
std::unique_ptr<word::DocumentWriter> NativeWordEngine::createWriter() { return word::createDocumentWriter(); }
QByteArray NativeWordEngine::blankDocument() const { return word::blankDocumentBytes(); }
bool NativeWordEngine::paint(const QString& path, QPrinter& printer) {
    word::NativeDocumentWriter writer;
    if (!writer.start() || !writer.connect() || !writer.open(path))
        return false;
    return word::paintDocument(*writer.document(), printer);
}
#else
// Built without the document writer: no writer can work, and the commands say so.
QString NativeWordEngine::location() const { return {}; }
std::unique_ptr<word::DocumentWriter> NativeWordEngine::createWriter() { return nullptr; }
QByteArray NativeWordEngine::blankDocument() const { return {}; }
bool NativeWordEngine::paint(const QString&, QPrinter&) { return false; }
#endif

} // namespace transcript
