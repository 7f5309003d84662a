// Hands web addresses, documents and programs to the desktop.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class Shell {
public:
    virtual ~Shell() = default;
    // The link opener: the address goes to the default browser. False when nothing took it.
    virtual bool openUrl(const QString& address) = 0;
    // Opens a file with the desktop's handler for its type.
    virtual bool openDocument(const QString& path) = 0;
    // Starts the first of the candidate programs found on PATH, detached, with the arguments.
    // False when none is installed or it would not start.
    virtual bool startProgram(const QStringList& candidates, const QStringList& arguments = {}) = 0;
    // Runs the first of the candidate programs found on PATH with the arguments and waits for it
    // while the caller's event loop keeps running: its exit code, or nothing when none is installed,
    // it would not start, it crashed, it ran past the time limit or the program is quitting (it is
    // then killed with every process it started).
    virtual std::optional<int> runProgram(const QStringList& candidates, const QStringList& arguments,
                                          int timeoutMs) = 0;
    // Full path of the first candidate found on PATH, or empty text.
    virtual QString findProgram(const QStringList& candidates) const = 0;
};

class DesktopShell final : public Shell {
public:
    bool openUrl(const QString& address) override;
    bool openDocument(const QString& path) override;
    bool startProgram(const QStringList& candidates, const QStringList& arguments) override;
    std::optional<int> runProgram(const QStringList& candidates, const QStringList& arguments, int timeoutMs) override;
    QString findProgram(const QStringList& candidates) const override;
};
