// A document writer that logs every operation and run, for checking what a composition types.
#pragma once

#include "transcript/word/DocumentWriter.h"

#include <QFile>
#include <QString>
#include <QStringList>

class LoggingWriter : public word::DocumentWriter {
public:
    QStringList log;
    // Operations that fail when called: "start", "open", "saveAs", "print".
    QStringList failing;
    QString error = QStringLiteral("writer failed");

    bool start() override { return record("start"); }
    bool connect() override { return record("connect"); }
    bool open(const QString& path) override { return record("open", path); }
    void hide() override { record("hide"); }
    void setBold(bool on) override { record("bold", on ? "1" : "0"); }
    void setSize(int points) override { record("size", QString::number(points)); }
    void setUnderline(bool on) override { record("underline", on ? "1" : "0"); }
    void setAlignment(word::Alignment a) override { record("align", a == word::Alignment::Centre ? "centre" : "left"); }
    void setLineSpacing(int twips) override { record("spacing", QString::number(twips)); }
    void setRightTab(int twips) override { record("tab", QString::number(twips)); }
    void setPageBreakBefore(bool on) override { record("break", on ? "1" : "0"); }
    void type(const QString& text) override { record("type", text); }
    // Saves the typed runs as UTF-8 text, so that a saved document exists as a file.
    bool saveAs(const QString& path) override {
        if (!record("saveAs", path))
            return false;
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(runs().join(QString()).toUtf8()) >= 0;
    }
    bool print(const word::PrintTarget& target) override {
        return record("print", target.pdfPath.isEmpty() ? target.printerName : target.pdfPath);
    }
    void close() override { record("close"); }
    void quit() override { record("quit"); }
    QString lastError() const override { return error; }

    // The typed runs only.
    QStringList runs() const {
        QStringList out;
        for (const QString& entry : log) {
            if (entry.startsWith("type "))
                out << entry.mid(5);
        }
        return out;
    }

private:
    bool record(const char* op, const QString& argument = {}) {
        const QString name = QString::fromLatin1(op);
        log << (argument.isNull() ? name : name + ' ' + argument);
        return !failing.contains(name);
    }
};
