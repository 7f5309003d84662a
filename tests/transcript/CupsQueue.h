// The CUPS PDF queue that the print tests print through: whether it runs, and the PDFs it writes.
#pragma once

#include <QDir>
#include <QProcess>
#include <QStringList>

namespace cups {

inline QString lpstat(const QString& option) {
    QProcess process;
    process.start("lpstat", {option});
    return process.waitForFinished(10000) ? QString::fromUtf8(process.readAllStandardOutput()).trimmed() : QString();
}

inline bool schedulerRunning() {
    return lpstat("-r") == "scheduler is running";
}

// cups-pdf writes root's jobs into ~/PDF.
inline QStringList pdfs() {
    const QString dir = QDir::homePath() + "/PDF/";
    QStringList paths;
    for (const QString& name : QDir(dir).entryList({"*.pdf"}, QDir::Files, QDir::Time))
        paths << dir + name;
    return paths;
}

inline QString pdfText(const QString& path) {
    QProcess text;
    text.start("pdftotext", {path, "-"});
    text.waitForFinished(60000);
    return QString::fromUtf8(text.readAllStandardOutput());
}

// A new PDF, not among the earlier ones, whose text holds the marker (other jobs may share the queue);
// empty text while there is none.
inline QString newPdfWith(const QStringList& earlier, const QString& marker) {
    for (const QString& path : pdfs())
        if (!earlier.contains(path) && pdfText(path).contains(marker))
            return path;
    return {};
}

} // namespace cups
