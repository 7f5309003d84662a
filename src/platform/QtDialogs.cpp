// Qt's own message boxes and file dialogs behind the Dialogs seam.
#include "Dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QMainWindow>
#include <QMessageBox>

namespace {

// "WAV录音文件|*.wav" → "WAV录音文件 (*.wav)"
QString qtFilter(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        result << QStringLiteral("%1 (%2)").arg(parts[i], parts[i + 1]);
    return result.join(";;");
}

// The buttons of a box, the one Enter presses and the one Esc and the close button press.
void setButtons(QMessageBox& box, QMessageBox::StandardButtons buttons, QMessageBox::StandardButton enter,
                QMessageBox::StandardButton escape) {
    box.setStandardButtons(buttons);
    box.setDefaultButton(enter);
    box.setEscapeButton(escape);
}

// A choice, "放弃", and a third answer that changes nothing, which Esc and the close button give too.
// The buttons carry the program's own words, so the standard buttons' icons (a ✓, a red ✗) go.
void offerThreeChoices(QMessageBox& box, QMessageBox::StandardButton choice, const QString& choiceText,
                       const QString& leaveText) {
    setButtons(box, choice | QMessageBox::Discard | QMessageBox::Cancel, choice, QMessageBox::Cancel);
    const std::pair<QMessageBox::StandardButton, QString> labels[] = {
        {choice, choiceText}, {QMessageBox::Discard, QStringLiteral("放弃")}, {QMessageBox::Cancel, leaveText}};
    for (const auto& [button, text] : labels) {
        box.button(button)->setText(text);
        box.button(button)->setIcon(QIcon());
    }
}

// Two choices in the program's own words; safe is the default, and what Esc and the close button give.
void offerTwoChoices(QMessageBox& box, QMessageBox::StandardButton first, const QString& firstText,
                     QMessageBox::StandardButton second, const QString& secondText, QMessageBox::StandardButton safe) {
    setButtons(box, first | second, safe, safe);
    for (const auto& [button, text] : {std::pair{first, firstText}, std::pair{second, secondText}}) {
        box.button(button)->setText(text);
        box.button(button)->setIcon(QIcon());
    }
}

} // namespace

QWidget* QtDialogs::raisingWindow() {
    // Handlers of a modal window run inside its event loop, so while one is open it is the window
    // that raised the box. It need not be the active window: the borderless password window is
    // shown before any other window and a window manager may leave it inactive.
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && qobject_cast<QMainWindow*>(window))
            return window;
    }
    return nullptr;
}

std::unique_ptr<QMessageBox> QtDialogs::messageBox(const QString& caption, const QString& text, Buttons buttons) {
    // A dialog with a parent opens centred on the parent's window. A notice has no icon; every box
    // that asks something shows the question icon.
    const QMessageBox::Icon icon = buttons == Buttons::Ok ? QMessageBox::NoIcon : QMessageBox::Question;
    auto box = std::make_unique<QMessageBox>(icon, caption, text, QMessageBox::NoButton, raisingWindow());
    switch (buttons) {
    case Buttons::Ok:
        setButtons(*box, QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok);
        break;
    case Buttons::OkCancel:
        setButtons(*box, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok, QMessageBox::Cancel);
        break;
    case Buttons::YesNo:
        setButtons(*box, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, QMessageBox::No);
        break;
    case Buttons::SaveDiscardCancel:
        offerThreeChoices(*box, QMessageBox::Save, QStringLiteral("保存"), QStringLiteral("返回"));
        break;
    case Buttons::SaveDiscardKeep:
        offerThreeChoices(*box, QMessageBox::Save, QStringLiteral("保存"), QStringLiteral("保留"));
        break;
    case Buttons::RestoreDiscardKeep:
        offerThreeChoices(*box, QMessageBox::Yes, QStringLiteral("恢复"), QStringLiteral("保留"));
        break;
    case Buttons::DiscardCancel:
        offerTwoChoices(*box, QMessageBox::Discard, QStringLiteral("放弃"), QMessageBox::Cancel, QStringLiteral("取消"),
                        QMessageBox::Cancel);
        break;
    case Buttons::SetAsideDiscard:
        offerTwoChoices(*box, QMessageBox::Save, QStringLiteral("保留到别处"), QMessageBox::Discard,
                        QStringLiteral("放弃"), QMessageBox::Save);
        break;
    case Buttons::ReviseOrPrint:
        offerTwoChoices(*box, QMessageBox::Cancel, QStringLiteral("返回修改"), QMessageBox::Yes,
                        QStringLiteral("仍然打印"), QMessageBox::Cancel);
        break;
    case Buttons::ReviseOrSave:
        offerTwoChoices(*box, QMessageBox::Cancel, QStringLiteral("返回修改"), QMessageBox::Yes,
                        QStringLiteral("仍然保存"), QMessageBox::Cancel);
        break;
    }
    return box;
}

Dialogs::Answer QtDialogs::message(const QString& caption, const QString& text, Buttons buttons) {
    const std::unique_ptr<QMessageBox> box = messageBox(caption, text, buttons);
    box->exec();
    switch (box->standardButton(box->clickedButton())) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Save:
        return Answer::Save;
    case QMessageBox::Discard:
        return Answer::Discard;
    default:
        // Ended without any button, as when the program ends: the answer that changes nothing.
        return buttons == Buttons::YesNo ? Answer::No : (buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel);
    }
}

QString QtDialogs::openFile(const FileDialogSpec& spec) {
    QFileDialog dialog(raisingWindow(), QString(), QString(), qtFilter(spec.filter));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(spec.defaultExtension);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString QtDialogs::saveFile(const FileDialogSpec& spec, const QString& initialName) {
    QFileDialog dialog(raisingWindow(), QString(), QString(), qtFilter(spec.filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(spec.defaultExtension);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !spec.confirmOverwrite);
    if (!initialName.isEmpty())
        dialog.selectFile(initialName);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString QtDialogs::browse(const QString& title) {
    // The folder browser lists files too and returns whichever item was chosen.
    QFileDialog dialog(raisingWindow(), title);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("确定"));
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

void QtDialogs::runModal(QDialog& window) {
    window.exec();
}
