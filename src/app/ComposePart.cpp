// The compose part: the commands that draw nothing and need the document writer, on QtCore alone;
// their saves go into the archive of the program directory.
#include "CommandTable.h"

#include "archive/CommandLine.h"
#include "transcript/CommandLine.h"

#include <QCoreApplication>

extern "C" Q_DECL_EXPORT int quillon_compose(int argc, char** argv) {
    // The application object gives the program's place; it takes none of the command's arguments.
    int programOnly = 1;
    QCoreApplication app(programOnly, argv);
    return transcript::composeCommand(commandArguments(argc, argv),
                                      [](const QString& programDir) -> std::unique_ptr<ArchiveJournal> {
                                          return archive::consoleArchive(programDir);
                                      });
}
