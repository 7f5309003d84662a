// Where an inquiry's read-back and its corrections are kept: beside its template in BL/.
#pragma once

#include <QString>

namespace readback {

// BL/<inquiry>.宣读核对.json: the read-back and every correction after it, beside the template, whose
// keys stay as they are. One JSON object a line, only ever appended to through the durable path, so
// that each correction is on the disk as soon as it is noted and a crash, a power cut or a restart
// keeps it; the custody log holds each one too, chained, which shows whether the file was edited.
QString recordPath(const QString& programDir, const QString& inquiry);
// BL/<inquiry>.更正记录.pdf and .txt: the page "更正记录" and its text as last printed.
QString pagePath(const QString& programDir, const QString& inquiry);
QString textPath(const QString& programDir, const QString& inquiry);

} // namespace readback
