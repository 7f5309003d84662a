// The office part: the commands that talk to the office archive's server, on QtCore, SQLite and
// libpq alone; the custody log's check among them, since it compares the log with the server's copy.
#include "CommandTable.h"

#include "archive/CommandLine.h"
#include "office/OfficeCommands.h"

#include <QCoreApplication>

extern "C" Q_DECL_EXPORT int quillon_sync(int argc, char** argv) {
    // The application object gives the program's place; it takes none of the command's arguments.
    int programOnly = 1;
    QCoreApplication app(programOnly, argv);
    return office::syncCommand(commandArguments(argc, argv));
}

extern "C" Q_DECL_EXPORT int quillon_office_search(int argc, char** argv) {
    int programOnly = 1;
    QCoreApplication app(programOnly, argv);
    return office::officeSearchCommand(commandArguments(argc, argv).mid(1));
}

extern "C" Q_DECL_EXPORT int quillon_office_log(int argc, char** argv) {
    int programOnly = 1;
    QCoreApplication app(programOnly, argv);
    return archive::logCommand(commandArguments(argc, argv), {office::serverWitness});
}
