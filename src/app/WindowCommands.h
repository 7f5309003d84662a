// The small commands of the main window: page switching, the note panel, the viewer's close
// button, the exit command and the exit web page.
#pragma once

class MainWindow;
struct Services;

void ShowSecondPage(MainWindow& w);
void ShowFirstPage(MainWindow& w);
void ToggleCaseNotePanel(MainWindow& w);
void CloseTextViewer(MainWindow& w);
// "退出": ends the program at once with exit code 0, nothing asked and nothing saved.
void ExitProgram();
// Run when the main window closes: opens the exit web page when set.ini asks for it.
void OpenExitWebPage(Services& s);
