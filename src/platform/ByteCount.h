// A size as the messages show it: "812 字节", "3.5 KB", "4.0 MB".
#pragma once

#include <QString>

QString byteCount(qint64 bytes);
