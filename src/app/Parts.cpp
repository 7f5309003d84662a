// runInPart: the part's file found from the executable's own place, loaded, and its command run.
#include "Parts.h"

#include "CommandTable.h"

#include "platform/ProductVersion.h"

#include <QByteArray>
#include <QTextStream>

#include <climits>
#include <cstdio>

#include <dlfcn.h>
#include <unistd.h>

namespace {

int cannotLoad(const QByteArray& what, const QByteArray& why) {
    QTextStream(stderr) << QStringLiteral("Quillon：程序的组成部分 %1 无法载入：%2")
                               .arg(QString::fromLocal8Bit(what), QString::fromLocal8Bit(why))
                        << Qt::endl;
    return 1;
}

} // namespace

QByteArray executableFolder() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path);
    const QByteArray file = length > 0 ? QByteArray(path, length) : QByteArray();
    return file.left(file.lastIndexOf('/'));
}

int runInPart(const char* part, const char* entry, int argc, char** argv) {
    const QByteArray folder = executableFolder();
    const QByteArray file = QByteArray(part) + ".so";
    // Beside the executable in a build tree or a portable copy; in the library folder of an install.
    QByteArray path = folder + '/' + file;
    if (::access(path.constData(), F_OK) != 0)
        path = folder + '/' + product::kPartsFolderFromExecutable + '/' + file;
    // The part stays loaded until the process ends: its objects live as long as the command.
    void* handle = ::dlopen(path.constData(), RTLD_LAZY | RTLD_LOCAL);
    if (!handle)
        return cannotLoad(path, ::dlerror());
    const auto run = reinterpret_cast<CommandRun>(::dlsym(handle, entry));
    if (!run)
        return cannotLoad(path, ::dlerror());
    return run(argc, argv);
}
