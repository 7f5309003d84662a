// "新建(笔录)": the form cleared for the next transcript, after a confirmation when one is under way.
#pragma once

class MainWindow;
struct Services;

void NewTranscript(MainWindow& w, Services& s);
// Empties the form, puts back the defaults and the "问："/"答：" items, and runs the start-up again.
void ClearForm(MainWindow& w, Services& s);
