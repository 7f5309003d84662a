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
// The settings file of a program directory: "set.ini", or the file whose name equals it without
// regard to case ("Set.ini", "SET.INI"); programDir + "/set.ini" when there is none.
QString settingsPath(const QString& programDir);

} // namespace programdir
