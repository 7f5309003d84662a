// The export of one inquiry as a hand-over bundle: what the archive knows of it gathered, the PDF of
// its pages painted, the bundle written, and the export entered in the custody log.
#pragma once

#include "archive/Archive.h"
#include "archive/Bundle.h"
#include "archive/EvidenceSheetFacts.h"

#include <functional>

namespace archive {

// Writes the bundle: at once, or on a worker thread while a window goes on.
using BundleWriter = std::function<BundleResult(const BundleRequest& request)>;

// The bundle of the inquiry of templatePath into target, with its evidence sheet painted by paintSheet.
// The custody entry is written once the bundle is in place, before the result is reported.
BundleResult exportInquiry(Archive& archive, const QString& templatePath, const QString& target, const PdfMaker& pdf,
                           const BundleWriter& write, const SheetPrinter& paintSheet);

// The bundle of a version of an inquiry of the office archive, from its files fetched into the
// program directory and the custody lines the server keeps for it: request names them all but the
// PDF. missing: the evidence that could not be fetched.
BundleResult exportFetchedInquiry(Archive& archive, BundleRequest request, const QStringList& missing,
                                  const PdfMaker& pdf, const BundleWriter& write);

} // namespace archive
