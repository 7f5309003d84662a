// Pages are moved, shown and hidden, never rebuilt, so every typed text stays.
#include "WindowCommands.h"

#include "platform/Settings.h"
#include "platform/Services.h"
#include "platform/Shell.h"
#include "ui/MainWindow.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QPushButton>
#include <QTextEdit>

void ShowSecondPage(MainWindow& w)
{
    w.分组框1->hide();
    w.分组框2->hide();
    w.按钮1->setEnabled(false);
    w.按钮2->setEnabled(true);
    w.分组框3->setGeometry(1, 59, 517, 510);
    w.分组框4->setGeometry(519, 59, 500, 510);
    w.分组框3->show();
    w.分组框4->show();
}

void ShowFirstPage(MainWindow& w)
{
    w.分组框1->show();
    w.分组框2->show();
    w.按钮1->setEnabled(true);
    w.按钮2->setEnabled(false);
    // Beyond the right edge: out of sight, their visible state kept.
    w.分组框3->move(1660, w.分组框3->y());
    w.分组框4->move(1660, w.分组框4->y());
}

void ToggleCaseNotePanel(MainWindow& w)
{
    w.分组框6->setGeometry(519, 59, 500, 510);
    w.分组框6->setVisible(w.分组框6->isHidden());
}

void CloseTextViewer(MainWindow& w)
{
    w.超级编辑框1->hide();
    w.按钮3->hide();
    w.按钮6->hide();
}

void ExitProgram()
{
    QCoreApplication::exit(0);
}

void OpenExitWebPage(Services& s)
{
    if (ReadSetting(s.programDir, "close", "control") != QLatin1String("on"))
        return;
    s.shell.openUrl(ReadSetting(s.programDir, "close", "url"));
}
