// The office suites looked for on PATH: one list for starting the word processor from the tools
// menu and for printing a document the native reader cannot read.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace officesuite {

// A suite's word processor: the executable, the arguments that open the word processor, and whether
// it converts a document to PDF without a window (--headless --convert-to pdf).
struct WordProcessor {
    QString program;
    QStringList arguments;
    bool convertsToPdf = false;
};

// In the order they are tried.
inline const QList<WordProcessor>& wordProcessors() {
    static const QList<WordProcessor> list{{QStringLiteral("libreoffice"), {QStringLiteral("--writer")}, true},
                                           {QStringLiteral("soffice"), {QStringLiteral("--writer")}, true},
                                           {QStringLiteral("wps"), {}, false}};
    return list;
}

// The executables of the list, or only those that convert to PDF.
inline QStringList programs(bool convertersOnly = false) {
    QStringList names;
    for (const WordProcessor& suite : wordProcessors())
        if (suite.convertsToPdf || !convertersOnly)
            names << suite.program;
    return names;
}

} // namespace officesuite
