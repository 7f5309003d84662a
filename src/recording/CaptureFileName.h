// The name of a new capture file in the BL directory.
#pragma once

#include <QDateTime>
#include <QString>

// blDir + "/" + the date-time text + ".avi"; when that file exists already (a second capture in the
// same second), "(2)", "(3)", … goes before ".avi" so that no earlier capture is overwritten.
QString captureFileName(const QString& blDir, const QDateTime& time);
