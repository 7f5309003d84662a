// The fixed texts the program carries: statute, code of conduct, transcript guide, contact text.
#pragma once

#include <QByteArray>
#include <QString>

namespace help {

// Each text as the GBK bytes with CR LF line ends that the program writes or shows.
QByteArray statuteBytes();
QByteArray conductBytes();
QByteArray guideBytes();
QString contactText();

inline QString statuteText();
inline QString conductText();

} // namespace help
