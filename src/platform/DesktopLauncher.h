// The desktop shortcut to the program, written as a freedesktop launcher.
#pragma once

#include <QString>

namespace desktop {

// Writes a launcher for target at shortcutPath (".desktop" appended when the path does not hold
// it), replacing an older one once the new one is complete: working directory = the target's folder, icon =
// iconLocation, else the program's icon beside the target, else the installed theme icon "quillon". Returns false when
// the target has no folder or the file cannot be written.
bool makeShortcut(QString shortcutPath, const QString& targetPath, const QString& arguments,
                  const QString& iconLocation, int windowStyle, const QString& description, const QString& hotkey);

// The user's desktop directory with a trailing slash.
QString desktopDirectory();

} // namespace desktop
