// set.ini in the program directory: the settings the program reads afresh at each use.
#pragma once

#include <QString>

// One value, read afresh from the file; empty when the file, section or key is missing.
QString ReadSetting(const QString& programDir, const QString& section, const QString& key);
