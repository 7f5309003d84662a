// File names of the archive.
#include "archive/Locations.h"

#include "platform/ProgramDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <algorithm>

namespace archive {

QString indexPath(const QString& programDir) {
    return programDir + QStringLiteral("/archive.sqlite");
}

QString custodyPath(const QString& programDir) {
    return programDir + QStringLiteral("/custody.log");
}

QString lockPath(const QString& programDir) {
    return programDir + QStringLiteral("/archive.lock");
}

QString storedName(const QString& programDir, const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QString root = QFileInfo(programDir).absoluteFilePath() + u'/';
    return absolute.startsWith(root) ? absolute.mid(root.size()) : absolute;
}

QString fullPath(const QString& programDir, const QString& name) {
    return QDir::isAbsolutePath(name) ? name : programDir + u'/' + name;
}

QString templateOf(const QString& programDir, const QString& file) {
    const QFileInfo info(file);
    const QString bl = QFileInfo(programdir::blDir(programDir)).absoluteFilePath();
    const QString suffix = info.suffix().toLower();
    if (info.absolutePath() != bl ||
        (suffix != QLatin1String("ini") && suffix != QLatin1String("doc") && suffix != QLatin1String("pdf")))
        return {};
    return bl + u'/' + info.completeBaseName() + QStringLiteral(".ini");
}

Stamp stampOf(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return {qint64(info.st_size), qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

QString fetchedPath(const QString& programDir, const QString& inquiry, qint64 version, const QString& name) {
    // The stored name of a file outside the program directory is a full path, of this system or of
    // another desktop's.
    const QString file = name.mid(std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\')) + 1);
    for (const QString& part : {inquiry, file})
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String("..") || part.contains(u'/') ||
            part.contains(u'\\') || part.contains(QChar(0)))
            return {};
    return programDir + QStringLiteral("/office/") + inquiry + u'/' + QString::number(version) + u'/' + file;
}

} // namespace archive
