// The table of commands. A command that draws nothing runs in the front or in a part without the
// libraries of the window; one that paints pages runs in the pages part.
#include "CommandTable.h"
#include "Parts.h"

#include "transcript/Usage.h"

#include "platform/ProductVersion.h"
#include "platform/ProgramDir.h"
#include "platform/Settings.h"

#include <QStandardPaths>
#include <QTextStream>

#include <cstdio>
#include <cstring>

namespace {

int help(int, char**) {
    QTextStream(stdout) << transcript::usage();
    return 0;
}

int version(int, char**) {
    QTextStream(stdout) << QStringLiteral("Quillon ") << product::kVersion << Qt::endl;
    return 0;
}

bool asksForPdf(int argc, char** argv) {
    for (int i = 2; i < argc; ++i)
        if (std::strcmp(argv[i], "--pdf") == 0)
            return true;
    return false;
}

bool asksForOffice(int argc, char** argv) {
    return argc > 2 && std::strcmp(argv[2], "--office") == 0;
}

// The custody log's check compares the log with the server's copy when set.ini names an office
// archive; without one it needs no libpq. No application object exists yet: the program directory
// is found from the executable's own place.
bool namesOfficeServer(int, char**) {
    const programdir::Location home =
        programdir::resolve(qEnvironmentVariable("QUILLON_HOME"), QString::fromLocal8Bit(executableFolder()),
                            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    return !ReadSetting(home.dir, setting::OfficeServer).trimmed().isEmpty();
}

const Command kCommands[] = {
    {"--help", help},
    {"-h", help},
    {"help", help},
    {"--version", version},
    {"verify", nullptr, kVerifyPart, "quillon_verify"},
    {"compose", nullptr, kPagesPart, "quillon_compose", asksForPdf},
    {"compose", nullptr, kComposePart, "quillon_compose"},
    {"print", nullptr, kPagesPart, "quillon_print"},
    {"archive", nullptr, kOfficePart, "quillon_office_search", asksForOffice},
    {"archive", nullptr, kArchivePart, "quillon_archive"},
    {"log", nullptr, kOfficePart, "quillon_office_log", namesOfficeServer},
    {"log", nullptr, kLogPart, "quillon_log"},
    {"check", nullptr, kArchivePart, "quillon_check"},
    {"marks", nullptr, kArchivePart, "quillon_marks"},
    {"sync", nullptr, kOfficePart, "quillon_sync"},
    {"export", nullptr, kPagesPart, "quillon_export"},
    {"sheet", nullptr, kPagesPart, "quillon_sheet"},
};

} // namespace

const Command* findCommand(int argc, char** argv) {
    if (argc < 2)
        return nullptr;
    for (const Command& command : kCommands)
        if (std::strcmp(argv[1], command.word) == 0 && (!command.takes || command.takes(argc, argv)))
            return &command;
    return nullptr;
}
