// The names of an inquiry's read-back files in BL/.
#include "transcript/ReadBackFiles.h"

#include "platform/ProgramDir.h"

namespace readback {

QString recordPath(const QString& programDir, const QString& inquiry) {
    return programdir::blDir(programDir) + u'/' + inquiry + QStringLiteral(".宣读核对.json");
}

QString pagePath(const QString& programDir, const QString& inquiry) {
    return programdir::blDir(programDir) + u'/' + inquiry + QStringLiteral(".更正记录.pdf");
}

QString textPath(const QString& programDir, const QString& inquiry) {
    return programdir::blDir(programDir) + u'/' + inquiry + QStringLiteral(".更正记录.txt");
}

} // namespace readback
