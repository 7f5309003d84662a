// The print commands shared by the menus and the command line: the current transcript composed and
// printed, a chosen document printed, with every check, message and status text.
#pragma once

#include "transcript/TranscriptCommands.h"

class Shell;

namespace transcript {

// Printing the current transcript: checks, composition, template and its fingerprint saved as one,
// print, close, quit. addPages types pages after the transcript's, into the same job.
[[nodiscard]] std::optional<QString>
printTranscript(record::TranscriptRecord& r, CommandEnv& env, const word::PrintTarget& target = {},
                const std::function<void(word::DocumentWriter& writer)>& addPages = {});

// Printing a chosen file, from the writer check on: the "doc" check on the path, then the print.
[[nodiscard]] std::optional<QString> printChosenFile(const QString& path, CommandEnv& env, Shell& shell,
                                                     const word::PrintTarget& target = {});

// The status text a print that did not happen leaves, so that an earlier success no longer shows.
inline const QString kPrintFailed = QStringLiteral("打 印 没 有 成 功！");

enum class PrintResult { Printed, HandedToOfficeSuite, Failed };

// Prints a file: first the printer is checked, then the writer opens, prints, closes and quits. A
// document the writer cannot read but an office suite prints (a compound file, RTF, text) is
// turned into PDF by an installed suite and that is printed. A failure is reported under the
// caption.
PrintResult printFile(const QString& path, CommandEnv& env, Shell& shell, const QString& caption,
                      const word::PrintTarget& target = {});
// The status text for a file an office suite prepared for printing.
inline const QString kHandedToOfficeSuite = QStringLiteral("笔录文件已交给办公软件打印... ");

} // namespace transcript
