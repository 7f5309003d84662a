// The test seams' implementations.
#include "TestServices.h"

#include "platform/Gbk.h"

#include <QDir>
#include <QFile>

#include <cerrno>

durable::Result MemoryRegistry::write(const QString& name, const QString& value) {
    if (failWrites)
        return durable::Result::failed(ENOSPC);
    values[name] = value;
    return {};
}

bool FakeShell::openUrl(const QString& address) {
    urls << address;
    return true;
}

bool FakeShell::openDocument(const QString& path) {
    documents << path;
    return openDocumentResult;
}

bool FakeShell::startProgram(const QStringList& candidates, const QStringList& arguments) {
    const QString program = findProgram(candidates);
    if (program.isEmpty() || failStarts)
        return false;
    started << (QStringList{program} + arguments);
    return true;
}

std::optional<int> FakeShell::runProgram(const QStringList& candidates, const QStringList& arguments, int) {
    const QString program = findProgram(candidates);
    if (program.isEmpty())
        return std::nullopt;
    started << (QStringList{program} + arguments);
    return runExitCode;
}

QString FakeShell::findProgram(const QStringList& candidates) const {
    for (const QString& candidate : candidates)
        if (installed.contains(candidate))
            return QStringLiteral("/usr/bin/") + candidate;
    return {};
}

QByteArray gbkFile(const QString& text) {
    QString crlf = text;
    crlf.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace('\n', QStringLiteral("\r\n"));
    return gbk::encode(crlf);
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TestServices::TestServices(Store store)
    : services{dialogs,
               clock,
               store == Store::File ? static_cast<Registry&>(registryFile) : registry,
               shell,
               root.path() + QStringLiteral("/program"),
               root.path() + QStringLiteral("/program/quillon"),
               root.path() + QStringLiteral("/desktop/"),
               root.path() + QStringLiteral("/cache"),
               journal} {
    QDir().mkpath(services.programDir);
    QDir().mkpath(services.desktopDir);
    QDir().mkpath(services.cacheDir);
    // Most tests do not look at the statute window, nor at the check before a print or save; a test
    // that does clears this.
    writeSettings(QStringLiteral("[pop]\ntanchu=0\n[hecha]\ntixing=0\n"));
}

void TestServices::writeSettings(const QString& text) const {
    writeFile(services.programDir + QStringLiteral("/set.ini"), gbkFile(text));
}
