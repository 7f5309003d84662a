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

inline bool schedulerRunning() { return lpstat("-r") == "scheduler is running"; }
inline bool queueEmpty() { return lpstat("-o").isEmpty(); }

// cups-pdf writes root's jobs into ~/PDF.
inline QStringList pdfs() {
    const QString dir = QDir::homePath() + "/PDF/";
    QStringList paths;
    for (const QString& name : QDir(dir).entryList({"*.pdf"}, QDir::Files, QDir::Time))
        paths << dir + name;
    return paths;
}

// The first PDF that is not among the earlier ones, once the queue is empty; empty text if none yet.
inline QString newPdf(const QStringList& earlier) {
    if (!queueEmpty())
        return {};
    for (const QString& path : pdfs())
        if (!earlier.contains(path))
            return path;
    return {};
}

inline QString pdfText(const QString& path) {
    QProcess text;
    text.start("pdftotext", {path, "-"});
    text.waitForFinished(60000);
    return QString::fromUtf8(text.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
}

} // namespace cups
