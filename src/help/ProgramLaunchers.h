// The program items of the tools menu: calculator, text editor, word processor and spreadsheet.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

struct Services;

// One way to start a program: an executable looked up on PATH and the arguments it needs.
struct Launch {
    QString program;
    QStringList arguments;
};

// The Linux stand-ins for calc, notepad, WINWORD and EXCEL, in the order they are tried.
const QList<Launch>& calculatorLaunches();
const QList<Launch>& textEditorLaunches();
const QList<Launch>& wordProcessorLaunches();
const QList<Launch>& spreadsheetLaunches();

void StartCalculator(Services& s);
void StartTextEditor(Services& s);
// Both first look for an office suite's word processor and refuse without one: that is what "Word is
// installed" means here, for both items alike.
void StartWordProcessor(Services& s);
void StartSpreadsheet(Services& s);
