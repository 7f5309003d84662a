// The preset lists of the form, loaded from set.ini into the main window's combo boxes.
#pragma once

#include <QString>

class MainWindow;

// Fills the 53 preset combo boxes, each list's presets ahead of the items it already holds.
void LoadPresetLists(MainWindow& w, const QString& programDir);
