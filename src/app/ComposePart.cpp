// The compose part: the commands that draw nothing and need the document writer, on QtCore alone.
#include "CommandTable.h"

#include "transcript/CommandLine.h"

#include <QCoreApplication>

extern "C" Q_DECL_EXPORT int quillon_compose(int argc, char** argv) {
    // The application object gives the program's place; it takes none of the command's arguments.
    int programOnly = 1;
    QCoreApplication app(programOnly, argv);
    return transcript::composeCommand(commandArguments(argc, argv));
}
