// The commands of the command line and where each one runs: in the front itself, on QtCore alone,
// or in a part of the program that the front loads for it.
#pragma once

#include <QStringList>

// What runs a command: the whole command line, program name first, as main() has it.
using CommandRun = int (*)(int argc, char** argv);

struct Command {
    // The first argument, which names it.
    const char* word;
    // Runs it in the front; null when a part runs it.
    CommandRun run;
    // The part that runs it (a file name without ".so"), and the name of the CommandRun the part
    // exports for it.
    const char* part = nullptr;
    const char* entry = nullptr;
    // Whether this row takes the arguments; null for every use of the word. The first row of the
    // word that takes them runs the command.
    bool (*takes)(int argc, char** argv) = nullptr;
};

// The parts: commands that draw nothing (fingerprints; the document writer; the archive; the custody
// log's check, with OpenSSL for its time-stamps; the office archive's server), commands that paint
// pages, and the window.
inline constexpr char kVerifyPart[] = "quillon-verify";
inline constexpr char kComposePart[] = "quillon-compose";
inline constexpr char kArchivePart[] = "quillon-archive";
inline constexpr char kLogPart[] = "quillon-log";
inline constexpr char kOfficePart[] = "quillon-office";
inline constexpr char kPagesPart[] = "quillon-pages";
inline constexpr char kWindowPart[] = "quillon-window";
// The window's CommandRun in kWindowPart.
inline constexpr char kWindowEntry[] = "quillon_window";

// The row that runs the command the arguments name, or null when the first argument names none.
const Command* findCommand(int argc, char** argv);

// The arguments after the program's name and the command.
inline QStringList commandArguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 2; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}
