// The window's side of the office archive's push: the loop that pushes beside the window, woken by
// every entry of the custody log, and the status bar's count of what waits and why a push failed.
#pragma once

#include "office/Sync.h"

#include <memory>

class MainWindow;

// The push loop of the program directory when set.ini names an office archive, else none; its
// results are shown in the status bar as they come.
std::unique_ptr<office::PushLoop> StartOfficePush(MainWindow& w, const QString& programDir);
// The count of inquiries waiting, and the failure of the last push, named; never a success when the
// push failed.
void ShowPushState(MainWindow& w, const office::SyncResult& result);
