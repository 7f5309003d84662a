// The fixed tables of a .doc file: style sheet, font table, document properties, section
// properties and the CompObj stream.
#pragma once

#include "Document.h"

#include <QByteArray>

namespace word {

// Font-table indexes used by the style sheet.
enum FontIndex { TimesNewRoman = 0, SimSun = 3 };

// Normal (Times New Roman / SimSun, 10.5 pt, snap to grid) and Default Paragraph Font.
QByteArray styleSheet();
// Times New Roman, Symbol, Arial, SimSun (alternate name 宋体), Cambria Math.
QByteArray fontTable();
// Word 97 document properties, 500 bytes: widow control, single-sided pages.
QByteArray documentProperties();
// The section's page geometry and line grid, with its size prefix.
QByteArray sectionProperties(const PageSetup& page);
// The empty table of associated strings (template, title, author...).
QByteArray associations();
QByteArray compObj();

} // namespace word
