// ConsoleDialogs: a box's caption and text as one line of standard error.
#include "transcript/ConsoleDialogs.h"

namespace transcript {

Dialogs::Answer ConsoleDialogs::message(const QString& caption, const QString& text, Buttons buttons) {
    switch (buttons) {
    case Buttons::Ok:
        m_err << caption << text << Qt::endl;
        return Answer::Ok;
    case Buttons::OkCancel:
        return m_questionAnswer == Answer::Yes ? Answer::Ok : Answer::Cancel;
    case Buttons::YesNo:
        break;
    case Buttons::SaveDiscardCancel:
    case Buttons::SaveDiscardKeep:
    case Buttons::RestoreDiscardKeep:
    case Buttons::DiscardCancel:
    case Buttons::ReviseOrPrint:
    case Buttons::ReviseOrSave:
        // Nothing is saved elsewhere, given up or signed despite its problems without a person to choose.
        return Answer::Cancel;
    case Buttons::SetAsideDiscard:
        // Setting a file aside keeps every byte of it.
        return Answer::Save;
    }
    return m_questionAnswer;
}

} // namespace transcript
