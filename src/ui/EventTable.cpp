// The event table of the main window. Each line binds one event to the handler that answers it;
// the handlers live in their subsystem's folder.
//
// Events of the small windows are bound where each window is created:
//   PasswordEntryWindow 按钮1 "确认密码" → CheckPasswordEntry   (security/PasswordLock.cpp)
//   PasswordSetWindow   按钮1 "加 密"    → StorePassword        (security/PasswordLock.cpp)
//   StatuteWindow       超级按钮1 "知 道" → closes the window    (ui/StatuteWindow.cpp)
#include "EventTable.h"

#include "Components.h"
#include "MainWindow.h"
#include "app/StatusClock.h"
#include "app/WindowCommands.h"
#include "platform/Services.h"
#include "recording/RecordingPanel.h"
#include "security/PasswordLock.h"

#include <QAction>
#include <QPushButton>
#include <QTimer>

void bindEvents(MainWindow& w, Components& c, Services& s)
{
    const auto onClick = [&w](QPushButton* button, auto handler) { QObject::connect(button, &QPushButton::clicked, &w, handler); };
    const auto onMenu = [&w](QAction* item, auto handler) { QObject::connect(item, &QAction::triggered, &w, handler); };

    // Window events.
    QObject::connect(&w, &MainWindow::aboutToClose, &w, [&s] { OpenExitWebPage(s); });

    // Menu 文件.
    onMenu(w.actExit, [] { ExitProgram(); });

    // Menu 录音笔录.
    onMenu(w.actOpenRecording, [&w, &s] { OpenRecordingPanel(w, s); });
    onMenu(w.actCloseRecording, [&w, &s] { CloseRecordingPanel(w, s); });

    // Menu 安全设置.
    onMenu(w.actLock, [&w, &s] { StartPasswordSetting(w, s); });
    onMenu(w.actUnlock, [&s] { SwitchLockOff(s); });

    // Buttons and timers.
    onClick(w.按钮1, [&w] { ShowSecondPage(w); });
    onClick(w.按钮2, [&w] { ShowFirstPage(w); });
    onClick(w.按钮5, [&w] { ToggleCaseNotePanel(w); });
    onClick(w.按钮录音, [&w, &s, &c] { StartRecording(w, s, c.录音1, c.recordingTime); });
    onClick(w.按钮暂停, [&w, &s, &c] { PauseRecording(w, s, c.录音1); });
    onClick(w.按钮继续, [&w, &s, &c] { ContinueRecording(w, s, c.录音1); });
    onClick(w.按钮4, [&w, &s, &c] { StopAndSaveRecording(w, s, c.录音1); });
    onClick(w.按钮播放, [&w, &s, &c] { PlayRecording(w, s, c.player); });
    onClick(w.暂停, [&w, &s, &c] { StopPlayback(w, s, c.player); });
    QObject::connect(&c.录音1, &AudioRecorder::captureFailed, &w, [&w, &s, &c] { RecordingDeviceFailed(w, s, c.录音1); });
    QObject::connect(w.时钟1, &QTimer::timeout, &w, [&w, &s, &c] { AdvanceRecordingTime(w, s, c.recordingTime); });
    onClick(w.按钮3, [&w] { CloseTextViewer(w); });
    QObject::connect(w.时钟2, &QTimer::timeout, &w, [&w, &s] { StatusClock(w, s); });
}
