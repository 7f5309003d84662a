// set.ini in the program directory: the settings the program reads afresh at each use.
#pragma once

#include "platform/SettingKeys.h"

#include <QString>

// One value, read afresh from the file; empty when the file, section or key is missing.
QString ReadSetting(const QString& programDir, const setting::Key& key);
// Item n (1 … count) of a list.
QString ReadSetting(const QString& programDir, const setting::List& list, int n);
// The same by the file's own names, for a key chosen at run time (a footer line the page asks for).
QString ReadSetting(const QString& programDir, const QString& section, const QString& key);

namespace settings {

// The status note for a settings file whose encoding is not recognised: neither marked as UTF-8
// nor valid GBK/GB18030. Such a file is still read as GBK, so its texts may show wrongly.
QString encodingNote();
// Whether the program directory's set.ini is such a file; a missing file is not.
bool hasUnrecognisedEncoding(const QString& programDir);

} // namespace settings
