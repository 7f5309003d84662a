// `quillon export TEMPLATE.ini --out FILE.zip`: the hand-over bundle of one inquiry without a window.
#pragma once

#include "archive/Bundle.h"
#include "archive/EvidenceSheetFacts.h"

#include <QStringList>

namespace archive {

// "export TEMPLATE.ini --out FILE.zip", the arguments after the program's name and the command. pdf
// paints the bundle's PDF of the pages, paintSheet its evidence sheet. The bundle's files go to standard output,
// messages to standard error; 0 when the bundle is in place, 1 when it is not, 2 on a usage error. Needs the GUI
// application object that they paint on.
int exportCommand(const QStringList& arguments, const PdfMaker& pdf, const SheetPrinter& paintSheet);

} // namespace archive
