// A Dialogs seam for tests: records every box and dialog shown and answers from a script.
#pragma once

#include "platform/Dialogs.h"

#include <QList>
#include <QQueue>
#include <QStringList>

#include <functional>

struct ShownBox {
    QString kind;    // "message", "open", "save", "browse" or "modal"
    QString caption; // message caption, browse title, or the modal window's objectName
    QString text;
    Dialogs::Buttons buttons = Dialogs::Buttons::Ok;
};

class ScriptedDialogs final : public Dialogs {
public:
    QList<ShownBox> shown;
    QList<FileDialogSpec> fileSpecs; // spec of every open and save dialog, in order
    QStringList initialNames;        // initial name offered by every save dialog

    // The answer to the next message box; without one, the box is answered with its default button.
    void answerNext(Answer answer) { m_answers.enqueue(answer); }
    // The path the next file dialog or browser returns; an empty path cancels it.
    void chooseNext(const QString& path) { m_choices.enqueue(path); }
    // What happens inside the next modal window; without a script the window is simply closed.
    void onModal(std::function<void(QDialog&)> script) { m_modals.enqueue(std::move(script)); }

    QList<ShownBox> messages() const;
    // "caption|text" of every message box, for compact assertions.
    QStringList messageTexts() const;

    Answer message(const QString& caption, const QString& text, Buttons buttons) override;
    QString openFile(const FileDialogSpec& spec) override;
    QString saveFile(const FileDialogSpec& spec, const QString& initialName) override;
    QString browse(const QString& title) override;
    void runModal(QDialog& window) override;

private:
    QString nextChoice();

    QQueue<Answer> m_answers;
    QQueue<QString> m_choices;
    QQueue<std::function<void(QDialog&)>> m_modals;
};
