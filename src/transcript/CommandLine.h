// The command line for the main job without a window: compose templates into documents, with the
// checks and messages of the save command.
#pragma once

#include "platform/ArchiveJournal.h"

#include <QStringList>

namespace word {
class PageRenderer;
}

namespace transcript {

// "compose TEMPLATE.ini... [--out FILE.doc] [--pdf FILE.pdf] [--force]", the arguments after the
// program's name and the command. Each template goes to its own document in BL, as the save
// command writes it; --out and --pdf take one template only, and the PDF needs pages to paint on.
// Without --force an existing document is named and left alone. Messages go to standard error,
// results to standard output: for several templates one line for each, in their order. 0 when
// every template was composed, 1 when one was refused or failed (the others are still composed),
// 2 on a usage error. Each save is told to the journal made for the program directory, from the
// threads that save. Needs the application object.
int composeCommand(const QStringList& arguments, const JournalFactory& journal,
                   const word::PageRenderer* pages = nullptr);

} // namespace transcript
