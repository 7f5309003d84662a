// The name of a new capture file in the BL directory.
#pragma once

#include <QDateTime>
#include <QString>

// blDir + "/" + the date-time text + ".avi" for n = 1; a second capture in the same second takes
// n = 2, "(2)" before ".avi", and so on.
QString captureFileName(const QString& blDir, const QDateTime& time, int n = 1);
