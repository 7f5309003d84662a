// Resolves the program directory: portable beside the executable, else a per-user data folder that
// the installed starter files seed.
#include "ProgramDir.h"

#include "DurableFile.h"
#include "platform/ProductVersion.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

#include <cstdio>

namespace programdir {
namespace {

// Copies each starter file that the user's program directory lacks; an upgrade that ships a new
// set.ini leaves the user's own one alone.
QString seed(const QString& userDir, const QString& starters) {
    // Each missing folder for its owner alone, as the freedesktop base directories ask.
    if (const durable::Result made = durable::makeFolder(userDir, 0700); !made)
        return QStringLiteral(" 无法建立程序目录 <%1/>：%2 ").arg(userDir, made.text());
    QStringList failures;
    for (const QString& name : starterFiles()) {
        const QString source = starters + '/' + name;
        const QString target = userDir + '/' + name;
        if (QFileInfo::exists(target) || !QFileInfo::exists(source))
            continue;
        if (const durable::Result r = durable::copyFile(source, target); !r)
            failures << QStringLiteral("%1（%2）").arg(name, r.text());
    }
    if (failures.isEmpty())
        return {};
    return QStringLiteral(" 程序的初始文件没有复制到程序目录 <%1/> 中：%2 ")
        .arg(userDir, failures.join(QStringLiteral("，")));
}

} // namespace

const QStringList& starterFiles() {
    static const QStringList files{QStringLiteral("set.ini"), QStringLiteral("帮助.txt"),
                                   QStringLiteral("example.ini")};
    return files;
}

Location resolve(const QString& homeVariable, const QString& exeDir, const QString& userDataDir) {
    if (!homeVariable.isEmpty())
        return {QDir::cleanPath(QDir(homeVariable).absolutePath()), {}};
    if (QFileInfo::exists(settingsPath(exeDir)))
        return {exeDir, {}};

    // An installed program keeps nothing beside its executable, even where it could (as root).
    const QString starters = QDir::cleanPath(exeDir + '/' + QLatin1String(product::kStarterFolderFromExecutable));
    const bool installed = QFileInfo(starters + "/set.ini").isFile();
    if (!installed && QFileInfo(exeDir).isWritable())
        return {exeDir, {}};

    const QString userDir = QDir::cleanPath(userDataDir + "/quillon");
    return {userDir, seed(userDir, starters)};
}

Location resolve() {
    return resolve(qEnvironmentVariable("QUILLON_HOME"), QCoreApplication::applicationDirPath(),
                   QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
}

QString resolveForCommand() {
    const Location location = resolve();
    if (!location.problem.isEmpty())
        QTextStream(stderr) << QStringLiteral("提示：") << location.problem << Qt::endl;
    return location.dir;
}

QString blDir(const QString& programDir) {
    return programDir + "/BL";
}

QString recoveryDir(const QString& programDir) {
    return programDir + "/recovery";
}

QString settingsPath(const QString& programDir) {
    const QString exact = programDir + "/set.ini";
    if (QFileInfo::exists(exact))
        return exact;
    // A settings file carried over from Windows may be called Set.ini or SET.INI: file names compare
    // without regard to case there, and the program finds it here the same way.
    const QStringList found = QDir(programDir).entryList({QStringLiteral("set.ini")}, QDir::Files, QDir::Name);
    return found.isEmpty() ? exact : programDir + '/' + found.first();
}

} // namespace programdir
