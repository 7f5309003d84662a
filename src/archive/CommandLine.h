// The archive's commands without a window that draw nothing: `quillon archive [QUERY]`,
// `quillon archive --rebuild` and `quillon log verify`, and the archive the other commands of the
// command line tell what they did.
#pragma once

#include "archive/Archive.h"
#include "archive/CustodyLog.h"

#include <QStringList>

#include <memory>

namespace archive {

// The archive of a command line: its work done at once, its notes and problems on standard error.
std::unique_ptr<Archive> consoleArchive(const QString& programDir);

// One inquiry as the listing prints it, here and in the office's listing: date, interviewee, unit, place, pairs and
// base name, tab-separated.
QString inquiryLine(const InquiryRow& row);

// "archive [WORD...]" and "archive --rebuild", the arguments after the program's name and the
// command. The list goes to standard output, messages to standard error; 0 on success, 1 when the
// index could not be used, 2 on a usage error. Needs the application object.
int archiveCommand(const QStringList& arguments);
// "log verify": the check of the custody log with the index's and the time-stamps' witness and the
// given ones; 0 when it holds, 1 when it does not, 2 on a usage error. "log stamp": the time-stamp
// of the log's head fetched now.
int logCommand(const QStringList& arguments, const QList<Witness>& witnesses = {});

} // namespace archive
