// The results of `quillon verify` entered in the custody log, for the files that belong to an
// inquiry: its template, document or PDF in BL/, or a recording or capture the archive links to it.
#pragma once

#include "platform/Fingerprint.h"

#include <QList>
#include <QString>

namespace archive {

// Whether a file is of a kind that can belong to an inquiry: a template, document, PDF, recording or
// capture, by its name.
bool mayBelongToInquiry(const QByteArray& path);

// One "fingerprint-checked" entry for each inquiry whose files were checked, each file with its
// SHA-256 and its verdict; files of no inquiry are left out. The archive's index is only read, and
// only for recordings and captures: where it has not been built yet, their results are not entered,
// which is said. False when an entry could not be written, which is said on standard error.
bool recordChecks(const QString& programDir, const QList<fingerprint::CheckedFile>& checked);

} // namespace archive
