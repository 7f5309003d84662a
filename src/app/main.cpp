// Quillon: writes inquiry transcripts. The front of the program: it runs the commands that draw
// nothing itself or in the compose part, on QtCore alone, and loads the window's part only for the
// window, and the pages part for the commands that paint pages.
#include "CommandTable.h"
#include "Parts.h"

#include "transcript/Usage.h"

#include <sys/stat.h>

int main(int argc, char** argv) {
    if (const Command* command = findCommand(argc, argv))
        return command->run ? command->run(argc, argv) : runInPart(command->part, command->entry, argc, argv);
    // A word that is no command, no option and no file is a mistake: the window would wait for a
    // user that a script does not have.
    struct stat file {};
    if (argc > 1 && argv[1][0] != '-' && ::stat(argv[1], &file) != 0)
        return transcript::usageError(QStringLiteral("不认识的命令 %1").arg(QString::fromLocal8Bit(argv[1])));
    return runInPart(kWindowPart, kWindowEntry, argc, argv);
}
