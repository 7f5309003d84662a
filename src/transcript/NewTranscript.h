// "新建(笔录)": the form cleared for the next transcript, after a confirmation when one is under way.
#pragma once

class MainWindow;
struct Services;

// True when the form was cleared; the caller then runs the start-up again for the date and presets.
bool NewTranscript(MainWindow& w, Services& s);
// Empties the form and puts back the defaults and the "问："/"答：" items.
void ClearForm(MainWindow& w);
