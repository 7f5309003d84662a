// Resolves the program directory: portable beside the executable, else a per-user data folder.
#include "ProgramDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace programdir {
namespace {

const QStringList kStarterFiles = {QStringLiteral("set.ini"), QStringLiteral("帮助.txt")};

// The starter files ship beside the executable or, when installed, under share/quillon.
QString starterFolder(const QString& exeDir)
{
    if (QFile::exists(exeDir + "/set.ini"))
        return exeDir;
    const QString shared = QDir::cleanPath(exeDir + "/../share/quillon");
    return QFile::exists(shared + "/set.ini") ? shared : QString();
}

} // namespace

QString resolve()
{
    const QString fromEnv = qEnvironmentVariable("QUILLON_HOME");
    if (!fromEnv.isEmpty())
        return QDir::cleanPath(QDir(fromEnv).absolutePath());

    const QString exeDir = QCoreApplication::applicationDirPath();
    if (QFile::exists(exeDir + "/set.ini") || QFileInfo(exeDir).isWritable())
        return exeDir;

    const QString userDir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/quillon";
    QDir().mkpath(userDir);
    const QString starters = starterFolder(exeDir);
    for (const QString& name : kStarterFiles) {
        if (!starters.isEmpty() && !QFile::exists(userDir + '/' + name))
            QFile::copy(starters + '/' + name, userDir + '/' + name);
    }
    return userDir;
}

QString blDir(const QString& programDir)
{
    return programDir + "/BL";
}

QString recoveryDir(const QString& programDir)
{
    return programDir + "/recovery";
}

QString settingsPath(const QString& programDir)
{
    return programDir + "/set.ini";
}

} // namespace programdir
