// set.ini in the program directory: display settings and the preset lists of the form.
#pragma once

#include <QString>

class MainWindow;

// One value, read afresh from the file; empty when the file, section or key is missing.
QString ReadSetting(const QString& programDir, const QString& section, const QString& key);

// Fills the 53 preset combo boxes, each list's presets ahead of the items it already holds.
void LoadPresetLists(MainWindow& w, const QString& programDir);
