// The desktop's browser, document handlers and program search path.
#include "Shell.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include <csignal>

#include <unistd.h>

bool DesktopShell::openUrl(const QString& address) {
    return QDesktopServices::openUrl(QUrl::fromUserInput(address));
}

bool DesktopShell::openDocument(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool DesktopShell::startProgram(const QStringList& candidates, const QStringList& arguments) {
    const QString program = findProgram(candidates);
    return !program.isEmpty() && QProcess::startDetached(program, arguments);
}

namespace {

// Waits for the process to end or the time to run out while the caller's event loop keeps running,
// so that the window repaints; also ends when the program is quitting. True when it ended.
bool waitWhileProcessingEvents(QProcess& process, int timeoutMs) {
    if (!QCoreApplication::instance())
        return process.waitForFinished(timeoutMs);
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(timeoutMs);
    if (process.state() != QProcess::NotRunning)
        loop.exec();
    return process.state() == QProcess::NotRunning;
}

} // namespace

std::optional<int> DesktopShell::runProgram(const QStringList& candidates, const QStringList& arguments,
                                            int timeoutMs) {
    const QString program = findProgram(candidates);
    if (program.isEmpty())
        return std::nullopt;
    QProcess process;
    // A process group of its own: an office suite's launcher starts the real converter as a child of
    // a helper, and that one has to end with it.
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
    process.start(program, arguments);
    if (!process.waitForStarted())
        return std::nullopt;
    const pid_t group = static_cast<pid_t>(process.processId());
    if (!waitWhileProcessingEvents(process, timeoutMs)) {
        ::kill(-group, SIGKILL);
        process.waitForFinished();
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit)
        return std::nullopt;
    return process.exitCode();
}

QString DesktopShell::findProgram(const QStringList& candidates) const {
    for (const QString& candidate : candidates) {
        const QString path = QStandardPaths::findExecutable(candidate);
        if (!path.isEmpty())
            return path;
    }
    return {};
}
