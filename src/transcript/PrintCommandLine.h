// The print command of the command line, which paints pages.
#pragma once

#include "platform/ArchiveJournal.h"

#include <QStringList>

namespace transcript {

// "print FILE [--printer NAME]", the arguments after the program's name and the command: the print
// of a chosen document, with the checks and messages of the print command. Messages go to standard
// error, the result to standard output; 0 when printed, 1 when refused or failed, 2 on a usage
// error. The print is told to the journal made for the program directory. Needs the GUI application
// object.
int printCommand(const QStringList& arguments, const JournalFactory& journal);

} // namespace transcript
