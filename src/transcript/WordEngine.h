// Where the document writers come from: the stand-in for the installed word processor that the
// save and print commands look up before they work.
#pragma once

#include "transcript/word/DocumentWriter.h"

#include <QByteArray>
#include <QString>

#include <memory>

class QDialog;
class QWidget;

namespace transcript {

class WordEngine {
public:
    virtual ~WordEngine() = default;
    // The writer's name, or empty text when no writer can work (FindWord).
    virtual QString location() const = 0;
    virtual std::unique_ptr<word::DocumentWriter> createWriter() = 0;
    // The blank Word 97-2003 document every transcript starts from.
    virtual QByteArray blankDocument() const = 0;
    // What keeps the print target from taking a job (no such printer, no print system, a stopped
    // printer), in words for the user; empty text when it can take one.
    virtual QString printerProblem(const word::PrintTarget& target) const = 0;
    // A print preview of a document file, painted as a print would be; null when it cannot be read.
    // Shared, so that its deleter is chosen where it is made: code without the widget library passes
    // it on.
    virtual std::shared_ptr<QDialog> makePreview(const QString& path, QWidget* parent) = 0;
};

} // namespace transcript
