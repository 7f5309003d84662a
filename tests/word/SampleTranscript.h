// Types a transcript-shaped document into a document writer run by run, as the composition does:
// the title, seven particulars rows, the body heading, question and answer lines with the page
// footers after pairs 4 and 14 and at the end.
#pragma once

#include "DocumentWriter.h"

namespace word::sample {

inline const QString kFooterLine1 = QStringLiteral("被询问人签名：");
inline const QString kFooterLine2 = QStringLiteral("询问人签名：");

QString question(int pair);
QString answer(int pair);

// Types the transcript with the given number of filled pairs (1 to 24).
void typeTranscript(DocumentWriter& writer, int pairs = 24);

} // namespace word::sample
