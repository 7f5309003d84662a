// The archive part: the archive's commands that draw nothing, on QtCore and SQLite alone, the check of
// inquiries, which looks into the archive for the inquiries and recordings around them, and the list
// of an inquiry's time marks.
#include "CommandTable.h"

#include "archive/CheckContext.h"
#include "archive/CommandLine.h"
#include "archive/TimeMarkList.h"

#include <QCoreApplication>

extern "C" Q_DECL_EXPORT int quillon_archive(int argc, char** argv) {
    // The application object gives the program's place; it takes none of the command's arguments.
    int programOnly = 1;
    QCoreApplication app(programOnly, argv);
    return archive::archiveCommand(commandArguments(argc, argv));
}

extern "C" Q_DECL_EXPORT int quillon_check(int argc, char** argv) {
    int programOnly = 1;
    QCoreApplication app(programOnly, argv);
    return archive::checkCommand(commandArguments(argc, argv));
}

extern "C" Q_DECL_EXPORT int quillon_marks(int argc, char** argv) {
    int programOnly = 1;
    QCoreApplication app(programOnly, argv);
    return archive::marksCommand(commandArguments(argc, argv));
}
