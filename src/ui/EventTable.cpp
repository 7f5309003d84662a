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
#include "security/PasswordLock.h"
#include "transcript/EntryAids.h"
#include "transcript/NewTranscript.h"
#include "transcript/OpenTemplate.h"
#include "transcript/WordCommands.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>

void bindEvents(MainWindow& w, Components& c, Services& s)
{
    const auto onClick = [&w](QPushButton* button, auto handler) { QObject::connect(button, &QPushButton::clicked, &w, handler); };
    const auto onMenu = [&w](QAction* item, auto handler) { QObject::connect(item, &QAction::triggered, &w, handler); };

    // Window events.
    QObject::connect(&w, &MainWindow::aboutToClose, &w, [&s] { OpenExitWebPage(s); });

    // Menu 文件.
    onMenu(w.actNewTranscript, [&w, &s] { NewTranscript(w, s); });
    onMenu(w.actOpenTemplate, [&w, &s] { OpenTemplate(w, s); });
    onMenu(w.actSaveTranscript, [&w, &c, &s] { SaveWordDocument(w, s, *c.Word程序1); });
    onMenu(w.actPrintTranscript, [&w, &c, &s] { PrintTranscript(w, s, *c.Word程序1); });
    onMenu(w.actExit, [] { ExitProgram(); });

    // Menu 安全设置.
    onMenu(w.actLock, [&w, &s] { StartPasswordSetting(w, s); });
    onMenu(w.actUnlock, [&s] { SwitchLockOff(s); });

    // Buttons and timers.
    onClick(w.按钮1, [&w] { ShowSecondPage(w); });
    onClick(w.按钮2, [&w] { ShowFirstPage(w); });
    onClick(w.按钮5, [&w] { ToggleCaseNotePanel(w); });
    QObject::connect(w.组合框6, &QComboBox::activated, &w, [&w] { AddNameAnswer(w); });
    QObject::connect(w.组合框8, &QComboBox::activated, &w, [&w] { AddWorkUnitItems(w); });
    onClick(w.按钮3, [&w] { CloseTextViewer(w); });
    onClick(w.按钮6, [&w, &c, &s] { PrintViewerDocument(w, s, *c.Word程序1); });
    QObject::connect(w.时钟2, &QTimer::timeout, &w, [&w, &s] { StatusClock(w, s); });
}
