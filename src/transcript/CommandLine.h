// The command line for the main job without a window: compose a template into a document, print a
// file, with the checks and messages of the menu commands.
#pragma once

#include "platform/ArchiveJournal.h"

#include <QStringList>

#include <memory>

class QGuiApplication;

namespace transcript {

// Whether the arguments (program name first) ask for the command line instead of the window.
bool isCommandLine(const QStringList& args);

// Runs "compose", "print" or "--help" (program name first). Messages go to standard error, results
// to standard output; 0 on success, 1 when refused or failed, 2 on a usage error. Creates the
// application object when there is none. What compose and print do is told to the journal that
// journal makes for the program directory.
int runCommandLine(const QStringList& args, const JournalFactory& journal);

// The application object that fonts and printing need when there is none yet, on the offscreen
// platform when no display is set; kept by the caller while it paints.
std::unique_ptr<QGuiApplication> ensureApplication();

} // namespace transcript
