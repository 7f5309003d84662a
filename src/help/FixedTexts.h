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

// The same texts decoded for display.
QString statuteText();
QString conductText();

} // namespace help
