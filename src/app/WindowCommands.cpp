// Pages are moved, shown and hidden, never rebuilt, so every typed text stays.
#include "WindowCommands.h"

#include "Components.h"
#include "archive/Archive.h"
#include "archive/EvidenceSheetFacts.h"
#include "platform/Clock.h"
#include "platform/ProgramDir.h"
#include "platform/RecoverySession.h"
#include "platform/Services.h"
#include "platform/SetAside.h"
#include "platform/Settings.h"
#include "platform/Shell.h"
#include "recording/EvidenceOnExit.h"
#include "recording/RecordingRecovery.h"
#include "recording/VideoCaptureHandlers.h"
#include "transcript/FormBinding.h"
#include "transcript/FormRecovery.h"
#include "transcript/SheetPage.h"
#include "transcript/TranscriptCommands.h"
#include "ui/CheckWindow.h"
#include "ui/MainWindow.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QTextEdit>

void ShowSecondPage(MainWindow& w) {
    w.分组框1->hide();
    w.分组框2->hide();
    w.按钮1->setEnabled(false);
    w.按钮2->setEnabled(true);
    w.分组框3->setGeometry(1, 59, 517, 510);
    w.分组框4->setGeometry(519, 59, 500, 510);
    w.分组框3->show();
    w.分组框4->show();
}

void ShowFirstPage(MainWindow& w) {
    w.分组框1->show();
    w.分组框2->show();
    w.按钮1->setEnabled(true);
    w.按钮2->setEnabled(false);
    // Beyond the right edge: out of sight, their visible state kept.
    w.分组框3->move(1660, w.分组框3->y());
    w.分组框4->move(1660, w.分组框4->y());
}

void GoToCheckedField(MainWindow& w, CheckWindow& cw) {
    const QListWidgetItem* chosen = cw.列表问题->currentItem();
    if (!chosen)
        return;
    QWidget* control =
        transcript::fieldControl(w, record::kFields[std::size_t(chosen->data(CheckWindow::ProblemField).toInt())]);
    if (w.分组框3->isAncestorOf(control) || w.分组框4->isAncestorOf(control))
        ShowSecondPage(w);
    else if (w.分组框1->isAncestorOf(control) || w.分组框2->isAncestorOf(control))
        ShowFirstPage(w);
    w.activateWindow();
    control->setFocus(Qt::OtherFocusReason);
}

void ToggleCaseNotePanel(MainWindow& w) {
    w.分组框6->setGeometry(519, 59, 500, 510);
    w.分组框6->setVisible(w.分组框6->isHidden());
}

void CloseTextViewer(MainWindow& w) {
    w.超级编辑框1->hide();
    w.按钮3->hide();
    w.按钮6->hide();
}

bool ConfirmProgramEnd(MainWindow& w, Services& s, Components& c) {
    if (!MayEndRecordings(w, s, c.form, c.录音1, c.视频设备1))
        return false;
    c.formRecoveryClock.stop();
    c.formRecovery.clear();
    return true;
}

void ExitProgram(MainWindow& w, Services& s, Components& c) {
    if (ConfirmProgramEnd(w, s, c))
        QCoreApplication::exit(0);
}

void EndForTermination(MainWindow& w, Components& c) {
    // Nobody is left to read a message box: what the archive cannot record is said on standard error.
    c.inquiries.setTell([](const QString& text) { qWarning("%s", qPrintable(text)); });
    KeepRecordingsForNextStart(c.录音1, c.视频设备1, c.inquiries);
    c.formRecoveryClock.stop();
    // Nobody is left to read a message box: a form that cannot be kept is said on standard error.
    if (const durable::Result kept = c.formRecovery.keep(transcript::readForm(w)); !kept)
        qWarning("%s: %s", qPrintable(c.formRecovery.file()), qPrintable(kept.text()));
    QCoreApplication::exit(0);
}

void OfferRecovery(MainWindow& w, Services& s, Components& c, const RecoverySession& recovery) {
    transcript::ResetFormRecovery(w, c.formRecovery);
    // Without the lock, what lies in the folder may belong to a program that is still running.
    if (!recovery.problem().isEmpty())
        s.dialogs.message(QStringLiteral("提示："),
                          QStringLiteral("%1。\n上次没有正常结束时留下的录音、录像和笔录这次不能提示，"
                                         "它们仍留在恢复目录中。")
                              .arg(recovery.problem()));
    setaside::removeExpired(recovery.folder(), s.clock.now());
    RepairInterruptedCaptures(s, recovery.folder(), recovery.leftovers());
    OfferUnsavedRecordings(w, s, c.form, recovery.folder(), recovery.leftovers());
    transcript::OfferFormRecovery(w, s, c.formRecovery, recovery.folder(), recovery.leftovers());
    // A form given back after a crash goes on with its read-back; its corrections since are noted.
    FollowReadBack(w, s, c.readBack);
    c.formRecoveryClock.start();
}

void OpenExitWebPage(Services& s) {
    if (ReadSetting(s.programDir, setting::ExitPageSwitch) != QLatin1String("on"))
        return;
    s.shell.openUrl(ReadSetting(s.programDir, setting::ExitPage));
}

void PrintEvidenceSheet(Services& s, archive::Archive& archive) {
    const QString caption = QStringLiteral("无法打印：");
    const QString inquiry = archive.currentInquiry();
    if (inquiry.isEmpty()) {
        s.dialogs.message(caption, QStringLiteral(" 请先保存或打开笔录，再打印它的证据校验单。 "));
        return;
    }
    QString error;
    QStringList missing;
    const std::optional<sheet::Sheet> facts = archive::sheetOf(
        archive, programdir::blDir(s.programDir) + u'/' + inquiry + QStringLiteral(".ini"), &missing, &error);
    if (!facts || !sheet::printSheet(*facts, {}, {}, &error)) {
        s.dialogs.message(caption, QStringLiteral(" 证据校验单没有打印：%1 ").arg(error));
        return;
    }
    if (!missing.isEmpty())
        s.dialogs.message(
            transcript::texts::kHint,
            QStringLiteral(" 证据校验单已打印，但这些证据文件已不存在，没有列入：\n%1 ").arg(missing.join(u'\n')));
}
