// The event table of the main window. Each line binds one event to the handler that answers it;
// the handlers live in their subsystem's folder.
//
// Events of the small windows are bound where each window is created:
//   PasswordEntryWindow 按钮1 "确认密码" → CheckPasswordEntry   (security/PasswordLock.cpp)
//   PasswordSetWindow   按钮1 "加 密"    → StorePassword        (security/PasswordLock.cpp)
//   StatuteWindow       超级按钮1 "知 道" → closes the window    (ui/StatuteWindow.cpp)
#include "EventTable.h"

#include "Components.h"
#include "StartupProcedure.h"
#include "StatusClock.h"
#include "WindowCommands.h"
#include "archive/Archive.h"
#include "archivewindow/ArchiveCommands.h"
#include "archivewindow/MarkPlayback.h"
#include "archivewindow/Scopes.h"
#include "help/HelpViewer.h"
#include "help/ProgramLaunchers.h"
#include "help/WebLinks.h"
#include "net/FtpExchange.h"
#include "net/UpdateCheck.h"
#include "platform/Services.h"
#include "recording/EarlyStop.h"
#include "recording/LineMarks.h"
#include "recording/RecordingPanel.h"
#include "recording/VideoCaptureHandlers.h"
#include "recording/VideoPlayerHandlers.h"
#include "security/PasswordLock.h"
#include "transcript/EntryAids.h"
#include "transcript/FormBinding.h"
#include "transcript/FormRecovery.h"
#include "transcript/InquiryReview.h"
#include "transcript/NewTranscript.h"
#include "transcript/OpenTemplate.h"
#include "transcript/ReadAlongCommands.h"
#include "transcript/ReadBackCommands.h"
#include "transcript/WordCommands.h"
#include "ui/CheckWindow.h"
#include "ui/MainWindow.h"
#include "ui/VideoPlayerWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>

void bindEvents(MainWindow& w, Components& c, Services& s) {
    const auto onClick = [&w](QPushButton* button, auto handler) {
        QObject::connect(button, &QPushButton::clicked, &w, handler);
    };
    const auto onMenu = [&w](QAction* item, auto handler) { QObject::connect(item, &QAction::triggered, &w, handler); };

    // Window events.
    w.setCloseGuard([&w, &s, &c] { return ConfirmProgramEnd(w, s, c); });
    QObject::connect(&w, &MainWindow::aboutToClose, &w, [&s] { OpenExitWebPage(s); });

    // Menu 文件.
    onMenu(w.actNewTranscript, [&w, &s, &c] {
        // The start-up puts back the date and time and refills the preset lists; the new form is
        // the one form recovery compares with.
        if (NewTranscript(w, s)) {
            StartupProcedure(w, s, c.form);
            transcript::ResetFormRecovery(w, c.formRecovery);
            ForgetReadBack(c.readBack);
        }
    });
    onMenu(w.actOpenTemplate, [&w, &s, &c] {
        NoteCorrections(w, s, c.readBack);
        OpenTemplate(w, s);
        FollowReadBack(w, s, c.readBack);
    });
    onMenu(w.actArchive, [&c] { ShowArchiveWindow(c.archiveWindow, c.inquiries, c.archiveRows, c.archiveScopes); });
    onMenu(w.actCheckTranscript, [&w, &s, &c] { CheckTranscript(w, s, c.checkWindow, c.checkContext); });
    onMenu(w.actReadBackDone, [&w, &s, &c] {
        ReadBackDone(w, s, c.form, c.readBack);
        UpdateReadAlong(w, s, c.readBack, c.readAlong);
    });
    onMenu(w.actSaveTranscript,
           [&w, &c, &s] { SaveWordDocument(w, s, c.form, *c.Word程序1, c.checkWindow, c.checkContext, c.readBack); });
    onMenu(w.actPrintTranscript,
           [&w, &c, &s] { PrintTranscript(w, s, c.form, *c.Word程序1, c.checkWindow, c.checkContext, c.readBack); });
    onMenu(w.actPrintEvidenceSheet, [&s, &c] { PrintEvidenceSheet(s, c.inquiries); });
    onMenu(w.actExit, [&w, &s, &c] { ExitProgram(w, s, c); });

    // Menu 网络功能.
    onMenu(w.actFtpSettings, [&w] { ToggleFtpPanel(w); });
    onMenu(w.actUpload, [&w, &s, &c] { UploadTemplate(w, s, c.form, c.ftp); });
    onMenu(w.actDownload, [&w, &s, &c] { DownloadTemplate(w, s, c.form, c.ftp); });

    // Menu 录音笔录.
    onMenu(w.actOpenRecording, [&w, &s] { OpenRecordingPanel(w, s); });
    onMenu(w.actCloseRecording, [&w, &s] { CloseRecordingPanel(w, s); });

    // Menu 视频录像.
    onMenu(w.actStartCapture, [&w, &s, &c] { StartCapture(w, s, c.视频设备1); });
    onMenu(w.actStopCapture, [&w, &s, &c] { StopCaptureAsked(w, s, c.视频设备1, AwaitsReadBack(w, c.readBack)); });
    onMenu(w.actReadAlong, [&w, &s, &c] { ToggleReadAlong(w, s, c.readBack, c.readAlong); });
    onMenu(w.actReadAlongBlank, [&c] { ToggleReadAlongBlank(c.form, c.readAlong); });
    onMenu(w.actReadAlongEnlarge, [&c] { EnlargeReadAlong(c.readAlong); });
    onMenu(w.actReadAlongReduce, [&c] { ReduceReadAlong(c.readAlong); });

    // Menu 烟草专卖网络(全国): each province item opens its own address.
    for (QAction* province : w.provinceActions)
        onMenu(province, [&s, province] { OpenWebLink(s, province->text()); });

    // Menu 安全设置.
    onMenu(w.actLock, [&w, &s] { StartPasswordSetting(w, s); });
    onMenu(w.actUnlock, [&s] { SwitchLockOff(s); });

    // Menu 工具.
    onMenu(w.actCalculator, [&s] { StartCalculator(s); });
    onMenu(w.actTextEditor, [&s] { StartTextEditor(s); });
    onMenu(w.actWordProcessor, [&s] { StartWordProcessor(s); });
    onMenu(w.actSpreadsheet, [&s] { StartSpreadsheet(s); });
    onMenu(w.actSogouDownload, [&w, &s] { OpenWebLink(s, w.actSogouDownload->text()); });
    onMenu(w.actJidianDownload, [&w, &s] { OpenWebLink(s, w.actJidianDownload->text()); });

    // Menu 更新.
    onMenu(w.actUpdate, [&s, &c] { CheckForUpdate(s, *c.webClient); });

    // Menu 帮助.
    onMenu(w.actGuide, [&w, &s, &c] { ShowGuide(w, s, c.form); });
    onMenu(w.actHelpFile, [&w, &s, &c] { ShowHelpFile(w, s, c.form); });
    onMenu(w.actHomePage, [&w, &s] { OpenWebLink(s, w.actHomePage->text()); });
    onMenu(w.actContact, [&s] { ShowContact(s); });

    // Page buttons.
    onClick(w.按钮1, [&w] { ShowSecondPage(w); });
    onClick(w.按钮2, [&w] { ShowFirstPage(w); });
    onClick(w.按钮5, [&w] { ToggleCaseNotePanel(w); });

    // Entry aids: a list item chosen.
    QObject::connect(w.组合框6, &QComboBox::activated, &w, [&w] { AddNameAnswer(w); });
    QObject::connect(w.组合框8, &QComboBox::activated, &w, [&w] { AddWorkUnitItems(w); });

    // Recording panel.
    onClick(w.按钮录音, [&w, &s, &c] { StartRecording(w, s, c.form, c.录音1, c.recordingTime); });
    onClick(w.按钮暂停, [&w, &s, &c] { PauseRecording(w, s, c.录音1); });
    onClick(w.按钮继续, [&w, &s, &c] { ContinueRecording(w, s, c.录音1); });
    onClick(w.按钮4, [&w, &s, &c] { StopRecordingAsked(w, s, c.form, c.录音1, AwaitsReadBack(w, c.readBack)); });
    onClick(w.按钮播放, [&w, &s, &c] { PlayRecording(w, s, c.player); });
    onClick(w.暂停, [&w, &s, &c] { StopPlayback(w, s, c.player); });
    QObject::connect(&c.录音1, &AudioRecorder::captureFailed, &w,
                     [&w, &s, &c] { RecordingDeviceFailed(w, s, c.录音1); });
    QObject::connect(w.时钟1, &QTimer::timeout, &w, [&w, &s, &c] { AdvanceRecordingTime(w, s, c.recordingTime); });

    // Status clock.
    QObject::connect(w.时钟2, &QTimer::timeout, &w, [&w, &s, &c] { StatusClock(w, s, c.form); });

    // Text viewer.
    onClick(w.按钮3, [&w] { CloseTextViewer(w); });
    onClick(w.按钮6, [&w, &c, &s] { PrintViewerDocument(w, s, c.form, *c.Word程序1); });

    // The check window ("核对笔录"): a problem chosen goes to its field; the fill from the identity
    // number; the check again.
    const auto goToField = [&w, &c] { GoToCheckedField(w, c.checkWindow); };
    QObject::connect(c.checkWindow.列表问题, &QListWidget::itemActivated, &w, goToField);
    QObject::connect(c.checkWindow.列表问题, &QListWidget::itemClicked, &w, goToField);
    onClick(c.checkWindow.按钮填写, [&w, &s, &c] { FillFromIdentityNumber(w, s, c.checkWindow, c.checkContext); });
    onClick(c.checkWindow.按钮重新核对, [&w, &s, &c] { CheckTranscript(w, s, c.checkWindow, c.checkContext); });

    // The form: the moment a question or answer line is begun is marked in the recordings running.
    transcript::watchLinesBegun(w, [&c](const QString& line) { MarkLineBegun(c.录音1, c.视频设备1, line); });

    // The interviewee's screen follows the form, once per turn of the event loop however many
    // keystrokes it brought, and the screens plugged and unplugged.
    c.readAlongClock.setSingleShot(true);
    c.readAlongClock.setInterval(0);
    transcript::watchFormChanges(w, [&c] {
        if (c.readAlong.isVisible())
            c.readAlongClock.start();
    });
    QObject::connect(&c.readAlongClock, &QTimer::timeout, &w,
                     [&w, &s, &c] { UpdateReadAlong(w, s, c.readBack, c.readAlong); });
    QObject::connect(qApp, &QGuiApplication::screenAdded, &w, [&c] { FollowScreens(c.readAlong); });
    QObject::connect(qApp, &QGuiApplication::screenRemoved, &w, [&c] { FollowScreens(c.readAlong); });

    // Components: a capture that breaks off while running.
    QObject::connect(&c.视频设备1, &VideoCapture::interrupted, &w,
                     [&w, &s, &c](const QString& error, const QString& file) {
                         CaptureInterrupted(w, s, c.视频设备1, error, file);
                     });

    // The archive window ("笔录档案"): the scope, the search as it is typed, the date range, the chosen
    // inquiry (Enter or a double click opens it) and its version, its commands, and the archive's
    // notes and changes.
    ArchiveWindow& aw = c.archiveWindow;
    const auto list = [&c] { ListInquiries(c.archiveWindow, c.archiveRows, c.archiveScopes); };
    QObject::connect(aw.组合框范围, &QComboBox::currentIndexChanged, &w,
                     [&c] { ChangeScope(c.archiveWindow, c.archiveRows, c.archiveScopes); });
    QObject::connect(aw.编辑框搜索, &QLineEdit::textChanged, &w, list);
    QObject::connect(aw.复选框日期, &QCheckBox::toggled, &w, list);
    QObject::connect(aw.日期框起, &QDateEdit::dateChanged, &w, list);
    QObject::connect(aw.日期框止, &QDateEdit::dateChanged, &w, list);
    QObject::connect(aw.表格笔录->selectionModel(), &QItemSelectionModel::currentRowChanged, &w,
                     [&c] { ShowChosenInquiry(c.archiveWindow, c.archiveScopes); });
    QObject::connect(aw.组合框版本, &QComboBox::activated, &w,
                     [&c] { ShowChosenVersion(c.archiveWindow, c.archiveScopes.office); });
    const auto openChosen = [&w, &s, &c] {
        NoteCorrections(w, s, c.readBack);
        OpenChosenInquiry(w, c.archiveWindow, s, c.formRecovery, c.archiveScopes);
        FollowReadBack(w, s, c.readBack);
    };
    QObject::connect(aw.表格笔录, &QTableView::activated, &w, openChosen);
    onClick(aw.按钮打开, openChosen);
    onClick(aw.按钮预览, [&w, &s, &c] { PreviewChosenInquiry(w, c.archiveWindow, s, *c.Word程序1, c.archiveScopes); });
    onClick(aw.按钮打印, [&s, &c] { PrintChosenInquiry(c.form, c.archiveWindow, s, *c.Word程序1, c.archiveScopes); });
    onClick(aw.按钮校验, [&s, &c] { CheckChosenInquiry(c.archiveWindow, s, c.archiveScopes); });
    onClick(aw.按钮导出, [&s, &c] { ExportChosenInquiry(c.form, c.archiveWindow, s, *c.Word程序1, c.archiveScopes); });
    QObject::connect(aw.表格时间标记, &QTableWidget::cellActivated, &w, [&s, &c] {
        PlayFromChosenMark(c.archiveWindow, s, c.archiveScopes, {c.player, c.videoPlayer, c.videoPlayerWindow});
    });
    // "录像播放": the window follows its player, and closing it ends the playback.
    VideoPlayerWindow& pw = c.videoPlayerWindow;
    QObject::connect(&c.videoPlayer, &VideoPlayer::progressed, &w,
                     [&c] { ShowPlayerProgress(c.videoPlayerWindow, c.videoPlayer); });
    QObject::connect(&c.videoPlayer, &VideoPlayer::finished, &w, [&c] { ShowPlayerEnded(c.videoPlayerWindow); });
    QObject::connect(&c.videoPlayer, &VideoPlayer::failed, &w, [&s, &c](const QString& error) {
        ReportPlayerFailure(c.videoPlayerWindow, s, c.videoPlayer, error);
    });
    onClick(pw.按钮录像播放, [&c] { TogglePlayerPause(c.videoPlayerWindow, c.videoPlayer); });
    QObject::connect(pw.滑块条位置, &QSlider::sliderReleased, &w,
                     [&c] { SeekPlayerToSlider(c.videoPlayerWindow, c.videoPlayer); });
    QObject::connect(pw.滑块条位置, &QSlider::actionTriggered, &w, [&c, &pw](int action) {
        // A drag is followed to its release; a key or a click on the groove moves at once.
        if (action != QAbstractSlider::SliderMove && !pw.滑块条位置->isSliderDown())
            SeekPlayerToSlider(c.videoPlayerWindow, c.videoPlayer);
    });
    QObject::connect(&pw, &QDialog::finished, &w, [&c] { c.videoPlayer.stop(); });
    onClick(aw.按钮关联, [&s, &c] { LinkEvidence(c.archiveWindow, s, c.archiveScopes.local); });
    onClick(aw.按钮取消关联, [&s, &c] { UnlinkEvidence(c.archiveWindow, s, c.archiveScopes.local); });
    QObject::connect(&c.inquiries, &archive::Archive::indexChanged, &w, list);
    QObject::connect(&c.inquiries, &archive::Archive::statusNote, &w,
                     [&c](const QString& text) { ShowArchiveNote(c.form, c.archiveWindow, text); });

    // The office archive's push: each entry of the custody log, on whichever thread wrote it, wakes it.
    QObject::connect(
        &c.inquiries, &archive::Archive::logged, &w,
        [&c] {
            if (c.pushLoop)
                c.pushLoop->wake();
        },
        Qt::DirectConnection);

    // Form recovery: every 30 seconds, at each page switch, and after a save (which may end the need).
    const auto keepForm = [&w, &s, &c] { transcript::KeepFormForRecovery(w, s, c.formRecovery); };
    QObject::connect(&c.formRecoveryClock, &QTimer::timeout, &w, keepForm);
    onClick(w.按钮1, keepForm);
    onClick(w.按钮2, keepForm);
    onMenu(w.actSaveTranscript, keepForm);

    // Corrections after a read-back: noted when a field loses the focus and with the form recovery.
    // The focus's watch ends with the clock, before the windows that hold the focus go.
    const auto noteCorrections = [&w, &s, &c] { NoteCorrections(w, s, c.readBack); };
    QObject::connect(qApp, &QApplication::focusChanged, &c.formRecoveryClock, noteCorrections);
    QObject::connect(&c.formRecoveryClock, &QTimer::timeout, &w, noteCorrections);
}
