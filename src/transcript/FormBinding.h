// Copies a transcript between the form's controls and a record, through the one field table.
#pragma once

#include "transcript/TranscriptRecord.h"

#include <functional>

class MainWindow;
class QWidget;

namespace transcript {

// The control of a field: an edit box, a combo box (its typed text) or the remarks box.
QWidget* fieldControl(MainWindow& w, const record::Field& field);
QString controlText(const QWidget* control);
void setControlText(QWidget* control, const QString& text);

record::TranscriptRecord readForm(MainWindow& w);
// Puts every field into its control in the template read order, each shown from its start; combo
// lists are not touched.
void fillForm(MainWindow& w, const record::TranscriptRecord& r);
// Calls begun with a line's name ("问3", "答3") whenever the officer's own typing puts the first text
// after its "问：" or "答：" into a blank question or answer line; a text the program puts there (a
// template opened, a line picked from its list) begins nothing.
void watchLinesBegun(MainWindow& w, const std::function<void(const QString& line)>& begun);

} // namespace transcript
