// The command line's usage text, which --help shows and a usage error follows.
#pragma once

#include <QString>

namespace transcript {

// What `quillon --help` shows.
QString usage();

// The usage error of a command: the text and the usage on standard error. Returns 2, the exit code
// of a usage error.
int usageError(const QString& text);

} // namespace transcript
