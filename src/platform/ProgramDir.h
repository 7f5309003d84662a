// Where the program keeps set.ini, the help file and the BL directory of transcripts.
#pragma once

#include <QString>

namespace programdir {

// QUILLON_HOME when set; else the executable's directory when it holds set.ini or is writable
// (a portable install); else ~/.local/share/quillon, seeded with the starter files shipped beside
// the executable or under share/quillon. No trailing slash.
QString resolve();
// The BL directory of a program directory.
QString blDir(const QString& programDir);
// The recovery folder: recordings as they are made, markers of running captures and the unsaved
// form, kept until the user decides about them. Not a cache: nothing there is removed by itself.
QString recoveryDir(const QString& programDir);
// programDir + "/set.ini"
QString settingsPath(const QString& programDir);

} // namespace programdir
