// Where the program keeps set.ini, the help file and the BL directory of transcripts.
#pragma once

#include <QString>
#include <QStringList>

namespace programdir {

// The starter files an install ships: the settings, the help file and the example template.
const QStringList& starterFiles();

// The program directory and what went wrong while preparing it.
struct Location {
    QString dir; // no trailing slash
    // Empty, or a message naming what could not be put in place and why.
    QString problem;
};

// QUILLON_HOME when set; else the executable's directory when it holds set.ini (the build tree or
// a portable copy), or when it is writable and the program is not installed; else
// ~/.local/share/quillon (made for the owner alone), where every starter file that is missing is
// copied from the installed ones. A file already there is never replaced.
Location resolve();
// The same for a command without a window: what went wrong preparing it is said on standard error.
QString resolveForCommand();
// The same choice for given facts: the value of QUILLON_HOME, the executable's directory and the
// user's data folder (~/.local/share).
Location resolve(const QString& homeVariable, const QString& exeDir, const QString& userDataDir);

// The BL directory of a program directory.
QString blDir(const QString& programDir);
// The recovery folder: recordings as they are made, markers of running captures and the unsaved
// form, kept until the user decides about them. Not a cache: nothing there is removed by itself.
QString recoveryDir(const QString& programDir);
// The settings file of a program directory: "set.ini", or the file whose name equals it without
// regard to case ("Set.ini", "SET.INI"); programDir + "/set.ini" when there is none.
QString settingsPath(const QString& programDir);

} // namespace programdir
