// The archive's commands without a window: `quillon archive [QUERY]`, `quillon archive --rebuild`,
// `quillon archive --office [QUERY]`, `quillon sync`, `quillon export TEMPLATE.ini --out FILE.zip` and
// `quillon log verify`.
#pragma once

#include "archive/Archive.h"
#include "archive/Bundle.h"

#include <QStringList>

#include <memory>

namespace archive {

// Whether the arguments (program name first) ask for one of these commands.
bool isCommandLine(const QStringList& args);

// Runs the command. Results go to standard output, messages to standard error; 0 on success, 1 when
// it failed or found a fault, 2 on a usage error. pdf paints the bundle's PDF.
int runCommandLine(const QStringList& args, const QString& programDir, const PdfMaker& pdf);

// The archive of a command line: its work done at once, its notes and problems on standard error.
std::unique_ptr<Archive> consoleArchive(const QString& programDir);

// One inquiry as the listing prints it: date, interviewee, unit, place, pairs and base name,
// tab-separated.
QString inquiryLine(const InquiryRow& row);

} // namespace archive
