// A word engine whose writers are logging doubles: every session's operations are kept in order.
#pragma once

#include "LoggingWriter.h"

#include "transcript/WordEngine.h"

#include <QDialog>
#include <QList>

class LoggingEngine final : public transcript::WordEngine {
public:
    // Empty: no writer can work.
    QString name = QStringLiteral("logging writer");
    // Operations that fail in every writer made from now on.
    QStringList failing;
    QString error = QStringLiteral("writer failed");
    // The operations of each writer, in the order the writers were made; kept after they are gone.
    QList<QStringList> sessions;
    // Files shown in a preview.
    QStringList previewed;
    // What keeps the printer from taking a job; empty: nothing.
    QString printerTrouble;

    QString location() const override { return name; }
    std::unique_ptr<word::DocumentWriter> createWriter() override {
        auto writer = std::make_unique<SessionWriter>(*this, sessions.size());
        sessions.append(QStringList());
        writer->failing = failing;
        writer->error = error;
        return writer;
    }
    QByteArray blankDocument() const override { return QByteArrayLiteral("blank"); }
    QString printerProblem(const word::PrintTarget&) const override { return printerTrouble; }
    std::shared_ptr<QDialog> makePreview(const QString& path, QWidget* parent) override {
        previewed << path;
        return std::make_shared<QDialog>(parent);
    }
    // All operations of all sessions.
    QStringList all() const {
        QStringList out;
        for (const QStringList& s : sessions)
            out << s;
        return out;
    }

private:
    class SessionWriter final : public LoggingWriter {
    public:
        SessionWriter(LoggingEngine& engine, qsizetype index) : m_engine(engine), m_index(index) {}
        ~SessionWriter() override { m_engine.sessions[m_index] = log; }

    private:
        LoggingEngine& m_engine;
        qsizetype m_index;
    };
};
