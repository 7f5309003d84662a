// Where the tokens and the waiting head are kept, and the setting that turns time-stamps on: what a
// save needs to queue a head, without OpenSSL.
#include "archive/TimeStamps.h"

#include "platform/DurableFile.h"
#include "platform/Settings.h"

#include <QDir>
#include <QFileInfo>

namespace archive::timestamps {

Setting setting(const QString& programDir) {
    Setting s;
    s.url = ReadSetting(programDir, setting::TimeStampAuthority).trimmed();
    const QString ca = ReadSetting(programDir, setting::TimeStampAuthorityCa).trimmed();
    if (!ca.isEmpty())
        s.caFile = QDir(programDir).absoluteFilePath(ca);
    return s;
}

QString tokenDir(const QString& programDir) {
    return programDir + QStringLiteral("/custody.tokens");
}

QString pendingPath(const QString& programDir) {
    return tokenDir(programDir) + QStringLiteral("/pending");
}

QString tokenPath(const QString& programDir, const QString& head) {
    return tokenDir(programDir) + u'/' + head + QStringLiteral(".tsr");
}

bool keepFile(const QString& path, const QByteArray& bytes, QString* error) {
    durable::Result written = durable::makeFolder(QFileInfo(path).absolutePath());
    if (written)
        written = durable::writeFile(path, bytes);
    if (written)
        return true;
    *error = QStringLiteral("<%1> 没有写成：%2").arg(path, written.text());
    return false;
}

bool queue(const QString& programDir, const QString& head, QString* error) {
    if (!setting(programDir).configured())
        return true;
    return keepFile(pendingPath(programDir), head.toLatin1(), error);
}

} // namespace archive::timestamps
