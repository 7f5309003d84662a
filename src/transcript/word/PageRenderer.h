// What puts a document's pages on paper, into a PDF file or on the screen: the painting side of the
// document writer, which lives where the program can draw. A process that draws nothing composes,
// saves and reads documents without one.
#pragma once

#include "Document.h"
#include "DocumentWriter.h"

#include <memory>

class QDialog;
class QWidget;

namespace word {

class PageRenderer {
public:
    virtual ~PageRenderer() = default;
    // One A4 copy of the whole document on the target; false with the reason in error.
    virtual bool print(const Document& document, const PrintTarget& target, QString* error) const = 0;
    // What keeps the target from taking a print job, in words for the user; empty text when it can
    // take one.
    virtual QString printerProblem(const PrintTarget& target) const = 0;
    // A print preview of the document that can also print it.
    virtual std::shared_ptr<QDialog> makePreview(const Document& document, QWidget* parent) const = 0;
};

// Said when a writer without a page renderer is asked to print.
inline const QString kCannotPaint = QStringLiteral("这里无法绘制页面，不能打印。");

} // namespace word
