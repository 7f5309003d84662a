// Print jobs and CUPS. Qt's print engine sends a job when painting ends but does not say whether
// the scheduler took it; libcups, loaded by that engine, still holds the answer. Files that are
// already printable (PDF) go to the scheduler through libcups directly.
#pragma once

#include <QString>

#include <optional>

namespace word {

// The scheduler's refusal of the last request, if libcups is present and refused it.
std::optional<QString> lastCupsRefusal();

// Sends a file to the named printer as one job with the title; the scheduler's refusal, if it did
// not take the job or libcups is missing.
std::optional<QString> sendToCups(const QString& printer, const QString& path, const QString& title);

} // namespace word
