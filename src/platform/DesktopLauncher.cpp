// A freedesktop launcher in place of a Windows shortcut file.
#include "DesktopLauncher.h"

#include "DurableFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace desktop {

bool makeShortcut(QString shortcutPath, const QString& targetPath, const QString& arguments,
                  const QString& iconLocation, int windowStyle, const QString& description, const QString& hotkey) {
    Q_UNUSED(windowStyle); // a launcher always opens a normal window
    Q_UNUSED(hotkey);      // launchers carry no hotkey
    if (!shortcutPath.contains(QLatin1String(".desktop"), Qt::CaseInsensitive))
        shortcutPath += QLatin1String(".desktop");
    // The earlier launcher is replaced only by a complete new one, never removed first.

    const QStringList pieces = targetPath.split('/');
    if (pieces.size() < 2)
        return false;
    QString workingDirectory;
    for (qsizetype i = 0; i + 1 < pieces.size(); ++i)
        workingDirectory += pieces[i] + '/';

    // Without an icon location the launcher shows the program's own icon: beside it in a build tree
    // or portable copy, else the one an installed package puts into the desktop's icon theme.
    const QString ownIcon = workingDirectory + QStringLiteral("quillon.png");
    const QString icon =
        !iconLocation.isEmpty() ? iconLocation : (QFile::exists(ownIcon) ? ownIcon : QStringLiteral("quillon"));
    QString exec = '"' + targetPath + '"';
    if (!arguments.isEmpty())
        exec += ' ' + arguments;
    const QString entry =
        QStringLiteral("[Desktop Entry]\n"
                       "Type=Application\n"
                       "Version=1.0\n"
                       "Name=%1\n"
                       "Comment=%2\n"
                       "Exec=%3\n"
                       "Path=%4\n"
                       "Icon=%5\n"
                       "Terminal=false\n")
            .arg(QFileInfo(shortcutPath).completeBaseName(), description, exec, workingDirectory, icon);
    if (!durable::writeFile(shortcutPath, entry.toUtf8(), 0755))
        return false;
    // Desktops run only launchers that are marked executable, also one that replaced a plain file.
    const QFile::Permissions permissions = QFile::permissions(shortcutPath);
    return QFile::setPermissions(shortcutPath, permissions | QFile::ExeOwner | QFile::ExeUser);
}

QString desktopDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation) + '/';
}

} // namespace desktop
