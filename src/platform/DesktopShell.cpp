// The desktop's browser, document handlers and program search path.
#include "Shell.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

bool DesktopShell::openUrl(const QString& address)
{
    return QDesktopServices::openUrl(QUrl::fromUserInput(address));
}

bool DesktopShell::openDocument(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool DesktopShell::startProgram(const QStringList& candidates, const QStringList& arguments)
{
    const QString program = findProgram(candidates);
    return !program.isEmpty() && QProcess::startDetached(program, arguments);
}

std::optional<int> DesktopShell::runProgram(const QStringList& candidates, const QStringList& arguments,
                                            int timeoutMs)
{
    const QString program = findProgram(candidates);
    if (program.isEmpty())
        return std::nullopt;
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted())
        return std::nullopt;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit)
        return std::nullopt;
    return process.exitCode();
}

QString DesktopShell::findProgram(const QStringList& candidates) const
{
    for (const QString& candidate : candidates) {
        const QString path = QStandardPaths::findExecutable(candidate);
        if (!path.isEmpty())
            return path;
    }
    return {};
}
