// The document writer of this platform: types into the in-memory document, saves genuine Word
// 97-2003 files, opens .doc and text files, prints through a page renderer.
#pragma once

#include "Document.h"
#include "DocumentWriter.h"

#include <optional>

namespace word {

class PageRenderer;

class NativeDocumentWriter : public DocumentWriter {
public:
    // Prints through pages; without a renderer print() fails with kCannotPaint.
    explicit NativeDocumentWriter(const PageRenderer* pages = nullptr) : m_pages(pages) {}

    bool start() override;
    bool connect() override;
    bool open(const QString& path) override;
    void hide() override;

    void setBold(bool on) override;
    void setSize(int points) override;
    void setUnderline(bool on) override;
    void setAlignment(Alignment alignment) override;
    void setLineSpacing(int twips) override;
    void setRightTab(int twips) override;
    void setPageBreakBefore(bool on) override;
    void type(const QString& text) override;

    bool saveAs(const QString& path) override;
    bool print(const PrintTarget& target = {}) override;
    void close() override;
    void quit() override;

    QString lastError() const override;

    // The active document, if one is open.
    const Document* document() const;

private:
    bool fail(const QString& error);
    // The paragraph at the insertion point, if a document is open.
    Paragraph* currentParagraph();
    bool requireDocument();

    const PageRenderer* m_pages;
    bool m_started = false;
    bool m_connected = false;
    std::optional<Document> m_document;
    Caret m_caret;
    CharFormat m_format;
    QString m_error;
};

} // namespace word
