// Scripted answers; a dialog asked for without a scripted choice is cancelled.
#include "ScriptedDialogs.h"

#include <QDialog>

QList<ShownBox> ScriptedDialogs::messages() const {
    QList<ShownBox> result;
    for (const ShownBox& box : shown)
        if (box.kind == QLatin1String("message"))
            result << box;
    return result;
}

QStringList ScriptedDialogs::messageTexts() const {
    QStringList result;
    for (const ShownBox& box : messages())
        result << box.caption + '|' + box.text;
    return result;
}

Dialogs::Answer ScriptedDialogs::message(const QString& caption, const QString& text, Buttons buttons) {
    shown << ShownBox{QStringLiteral("message"), caption, text, buttons};
    if (!m_answers.isEmpty())
        return m_answers.dequeue();
    switch (buttons) {
    case Buttons::YesNo:
    case Buttons::RestoreDiscardKeep:
        return Answer::Yes;
    case Buttons::SaveDiscardCancel:
    case Buttons::SaveDiscardKeep:
    case Buttons::SetAsideDiscard:
        return Answer::Save;
    case Buttons::DiscardCancel:
    case Buttons::ReviseOrPrint:
    case Buttons::ReviseOrSave:
        return Answer::Cancel;
    default:
        return Answer::Ok;
    }
}

QString ScriptedDialogs::nextChoice() {
    return m_choices.isEmpty() ? QString() : m_choices.dequeue();
}

QString ScriptedDialogs::openFile(const FileDialogSpec& spec) {
    shown << ShownBox{QStringLiteral("open"), QString(), spec.filter};
    fileSpecs << spec;
    return nextChoice();
}

QString ScriptedDialogs::saveFile(const FileDialogSpec& spec, const QString& initialName) {
    shown << ShownBox{QStringLiteral("save"), QString(), spec.filter};
    fileSpecs << spec;
    initialNames << initialName;
    return nextChoice();
}

QString ScriptedDialogs::browse(const QString& title) {
    shown << ShownBox{QStringLiteral("browse"), title, QString()};
    return nextChoice();
}

void ScriptedDialogs::runModal(QDialog& window) {
    shown << ShownBox{QStringLiteral("modal"), window.objectName(), window.windowTitle()};
    if (m_modals.isEmpty()) {
        window.reject();
        return;
    }
    m_modals.dequeue()(window);
}
