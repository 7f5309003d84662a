// The three colour schemes that redraw every window of the program, as application style sheets.
#pragma once

#include <QString>

namespace skin {

// "1" blue, "2" olive green, "3" silver switch a scheme on; "4" switches the skin off.
// Any other value changes nothing and returns false.
bool apply(const QString& scheme);

} // namespace skin
