// The document writer that the composition types into and the save and print commands drive, with
// the operations an automated word processor offers: start, connect, open, hide, format, type,
// save as, print, close, quit.
#pragma once

#include <QString>

#include <memory>

namespace word {

enum class Alignment { Left = 0, Centre = 1 };

// Where a print goes: the named printer, else a PDF file, else the default printer.
struct PrintTarget {
    QString printerName;
    QString pdfPath;
};

class DocumentWriter {
public:
    virtual ~DocumentWriter() = default;

    virtual bool start() = 0;
    // Takes the document collection; no new document is added.
    virtual bool connect() = 0;
    // Opens a .doc file or a text file as the active document.
    virtual bool open(const QString& path) = 0;
    virtual void hide() = 0;

    // Format state at the insertion point.
    virtual void setBold(bool on) = 0;
    virtual void setSize(int points) = 0;
    virtual void setUnderline(bool on) = 0;
    // Paragraph format of the paragraph at the insertion point, kept by the paragraphs typed after it.
    virtual void setAlignment(Alignment alignment) = 0;
    // Exact line height in twips; 0 for single spacing.
    virtual void setLineSpacing(int twips) = 0;
    // A right-aligned tab stop this far from the left margin, in twips; 0 removes it.
    virtual void setRightTab(int twips) = 0;
    virtual void setPageBreakBefore(bool on) = 0;
    // Types a run with the current format; every CR LF in it ends a paragraph.
    virtual void type(const QString& text) = 0;

    // Saves the active document as a Word 97-2003 file; an older file is replaced only once the
    // new one is complete.
    virtual bool saveAs(const QString& path) = 0;
    // One copy of the whole document on A4.
    virtual bool print(const PrintTarget& target = {}) = 0;
    virtual void close() = 0;
    virtual void quit() = 0;

    // What the last failing operation could not do, in words for the user.
    virtual QString lastError() const = 0;
};

} // namespace word
