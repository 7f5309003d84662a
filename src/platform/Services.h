// The platform interfaces that handlers reach the outside world through.
#pragma once

#include <QString>

class ArchiveJournal;
class Dialogs;
class Clock;
class Registry;
class Shell;

struct Services {
    Dialogs& dialogs;
    const Clock& clock;
    Registry& registry;
    Shell& shell;
    QString programDir;
    // Path of the running executable: the target of the desktop shortcut.
    QString executablePath;
    // Where the desktop shortcut goes (the user's desktop directory, trailing slash).
    QString desktopDir;
    // The user's cache directory for the fixed files soft.ini and js.txt.
    QString cacheDir;
    // Told what each command does to an inquiry's files: the inquiry archive and the custody log.
    ArchiveJournal& journal;
};
