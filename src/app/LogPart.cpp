// The custody log's part: the check of the log without an office archive, with the trusted
// time-stamps that witness it, on QtCore, SQLite and OpenSSL.
#include "CommandTable.h"

#include "archive/CommandLine.h"

#include <QCoreApplication>

extern "C" Q_DECL_EXPORT int quillon_log(int argc, char** argv) {
    int programOnly = 1;
    QCoreApplication app(programOnly, argv);
    return archive::logCommand(commandArguments(argc, argv));
}
