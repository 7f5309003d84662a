// Every message box, file choice, folder browser and modal window goes through this seam, so that
// tests script the answers and read back what was shown.
#pragma once

#include <QString>

#include <memory>

class QDialog;
class QMessageBox;
class QWidget;

// A file dialog of the catalogue: filter in the "description|*.ext" form, default extension.
struct FileDialogSpec {
    QString filter;
    QString defaultExtension;
    bool confirmOverwrite = false;
};

class Dialogs {
public:
    // SaveDiscardCancel: "保存", "放弃" and "返回", for work that would otherwise be lost.
    // SaveDiscardKeep: "保存", "放弃" and "保留" (Cancel), for work left by an unclean end that can
    // wait for the next start; a box closed without a button keeps it.
    // RestoreDiscardKeep: "恢复" (answered Yes), "放弃" (Discard) and "保留" (Cancel), the same for
    // work that can go back where it was.
    // DiscardCancel: "放弃" and "取消", the second question before something is given up; "取消" is the
    // default and what closing the box gives.
    // SetAsideDiscard: "保留到别处" (answered Save) and "放弃", for a file that cannot be repaired; a box
    // closed without a button sets it aside.
    // ReviseOrPrint, ReviseOrSave: "返回修改" (Cancel) and "仍然打印" or "仍然保存" (answered Yes), when
    // the check of an inquiry found problems before it is signed; going back is the default.
    enum class Buttons {
        Ok,
        OkCancel,
        YesNo,
        SaveDiscardCancel,
        SaveDiscardKeep,
        RestoreDiscardKeep,
        DiscardCancel,
        SetAsideDiscard,
        ReviseOrPrint,
        ReviseOrSave
    };
    enum class Answer { Ok, Cancel, Yes, No, Save, Discard };

    virtual ~Dialogs() = default;
    // A modal message box: a notice (Ok) without icon, a question with the question icon. Enter
    // gives Ok, Yes, Save or 恢复; Esc, the close button and a box ended without any button give
    // the answer that changes nothing (Ok, Cancel or No).
    virtual Answer message(const QString& caption, const QString& text, Buttons buttons = Buttons::Ok) = 0;
    // Full path of the chosen file, or empty text when cancelled.
    virtual QString openFile(const FileDialogSpec& spec) = 0;
    virtual QString saveFile(const FileDialogSpec& spec, const QString& initialName) = 0;
    // The folder browser with files listed; full path or empty text.
    virtual QString browse(const QString& title) = 0;
    // Shows one of the program's small windows modally and returns when it has closed.
    virtual void runModal(QDialog& window) = 0;
};

// Qt's message boxes and file dialogs.
class QtDialogs final : public Dialogs {
public:
    // The window a box or dialog belongs to and opens centred on: the modal window whose handler
    // raised it, else the active window, else the visible main window.
    static QWidget* raisingWindow();
    // The message box that message() runs, built and owned by that window but not yet shown.
    static std::unique_ptr<QMessageBox> messageBox(const QString& caption, const QString& text, Buttons buttons);

    Answer message(const QString& caption, const QString& text, Buttons buttons) override;
    QString openFile(const FileDialogSpec& spec) override;
    QString saveFile(const FileDialogSpec& spec, const QString& initialName) override;
    QString browse(const QString& title) override;
    void runModal(QDialog& window) override;
};
