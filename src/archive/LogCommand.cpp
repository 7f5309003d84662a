// `quillon log`: the custody log's check with its witnesses, and the time-stamp of its head fetched
// now. Apart from the rest of the command line, as the tokens' checks link OpenSSL.
#include "archive/CommandLine.h"
#include "archive/TimeStampAuthority.h"

#include "transcript/Usage.h"

#include "platform/ProgramDir.h"

namespace archive {

int logCommand(const QStringList& arguments, const QList<Witness>& witnesses) {
    if (arguments == QStringList{QStringLiteral("stamp")})
        return timestamps::stampCommand(programdir::resolveForCommand());
    if (arguments != QStringList{QStringLiteral("verify")})
        return transcript::usageError(QStringLiteral("log 只有 verify 和 stamp 两个命令"));
    QList<Witness> all{indexWitness, timestamps::witness};
    all << witnesses;
    return verifyCommand(programdir::resolveForCommand(), all);
}

} // namespace archive
