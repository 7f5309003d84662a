// The parts of the program that the front loads: shared modules beside the executable, or where the
// package installs them.
#pragma once

#include <QByteArray>

// The folder of the running executable, whatever name it was started by.
QByteArray executableFolder();

// Loads the part and runs the command it exports under entry; the command's exit code, or 1 when
// the part cannot be loaded (said on standard error).
int runInPart(const char* part, const char* entry, int argc, char** argv);
