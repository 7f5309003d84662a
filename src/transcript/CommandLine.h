// The command line for the main job without a window: compose a template into a document, print a
// file, with the checks and messages of the menu commands.
#pragma once

#include <QStringList>

namespace transcript {

// Whether the arguments (program name first) ask for the command line instead of the window.
bool isCommandLine(const QStringList& args);

// Runs "compose", "print" or "--help" (program name first). Messages go to standard error, results
// to standard output; 0 on success, 1 when refused or failed, 2 on a usage error. Creates the
// application object when there is none, on the offscreen platform when no display is set.
int runCommandLine(const QStringList& args);

} // namespace transcript
