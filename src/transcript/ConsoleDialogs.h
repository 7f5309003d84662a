// Message boxes on standard error for the command line: questions get a fixed answer.
#pragma once

#include "platform/Dialogs.h"

#include <QTextStream>

namespace transcript {

class ConsoleDialogs final : public Dialogs {
public:
    ConsoleDialogs(QTextStream& err, Answer questionAnswer) : m_err(err), m_questionAnswer(questionAnswer) {}

    Answer message(const QString& caption, const QString& text, Buttons buttons) override;
    // No file is chosen interactively on the command line.
    QString openFile(const FileDialogSpec&) override { return {}; }
    QString saveFile(const FileDialogSpec&, const QString&) override { return {}; }
    QString browse(const QString&) override { return {}; }
    void runModal(QDialog&) override {}

private:
    QTextStream& m_err;
    Answer m_questionAnswer;
};

} // namespace transcript
