// Reads settings key by key from the program directory's set.ini.
#include "Settings.h"

#include "IniProfile.h"
#include "ProgramDir.h"

QString ReadSetting(const QString& programDir, const QString& section, const QString& key)
{
    return ini::readString(programdir::settingsPath(programDir), section, key);
}
