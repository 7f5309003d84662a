// The window's part: creates the platform services and the program, then runs the window.
#include "app/Program.h"
#include "archive/Archive.h"
#include "archive/TimeStampAuthority.h"
#include "net/WebClient.h"
#include "platform/Clock.h"
#include "platform/DesktopLauncher.h"
#include "platform/Dialogs.h"
#include "platform/ProgramDir.h"
#include "platform/QtTranslations.h"
#include "platform/Registry.h"
#include "platform/Services.h"
#include "platform/Shell.h"

#include <QApplication>
#include <QStandardPaths>

#include <cstdio>

namespace {

// Without a display Qt would abort with a platform-plugin error; say plainly what is missing.
bool hasDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

} // namespace

extern "C" Q_DECL_EXPORT int quillon_window(int argc, char** argv) {
    if (!hasDisplay()) {
        std::fputs(
            "Quillon 需要图形桌面才能打开窗口：没有找到显示器 (DISPLAY 或 WAYLAND_DISPLAY 未设置)。\n"
            "Quillon needs a graphical desktop: no display was found (DISPLAY and WAYLAND_DISPLAY are not set).\n"
            "Without one, `quillon compose`, `quillon print` and `quillon verify` still work:\n"
            "see `quillon --help`.\n",
            stderr);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillon"));
    // Desktops match the window to the installed launcher and its icon by this name.
    QApplication::setDesktopFileName(QStringLiteral("cn.org.quillon.Quillon"));
    // Without Qt's catalogue the standard buttons and file dialogs speak English; nothing else changes.
    if (!qttranslations::install(app))
        std::fputs("Quillon: Qt 的中文翻译 (qtbase_zh_CN.qm) 没有找到，标准按钮和文件对话框以英文显示。\n", stderr);

    SystemClock clock;
    QtDialogs dialogs;
    IniRegistry registry(IniRegistry::defaultPath());
    DesktopShell shell;
    // Made by the first write that goes there, which says when it cannot.
    const QString cacheDir = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    const programdir::Location programDir = programdir::resolve();
    // The program still runs, on the settings it finds, but the user learns why some are missing.
    if (!programDir.problem.isEmpty())
        dialogs.message(QStringLiteral("提 示："), programDir.problem, Dialogs::Buttons::Ok);
    // The archive goes on in the background while the window works; what it cannot record is told.
    archive::Archive inquiries(programDir.dir, archive::Archive::Work::InBackground, [&dialogs](const QString& text) {
        dialogs.message(QStringLiteral("提 示："), text, Dialogs::Buttons::Ok);
    });
    inquiries.setTimeStampFetch([](const QString& dir) {
        const archive::timestamps::SendResult result = archive::timestamps::sendPending(dir, false);
        return result.sent == archive::timestamps::Sent::Failed ? result.text : QString();
    });
    Services services{dialogs,
                      clock,
                      registry,
                      shell,
                      programDir.dir,
                      QApplication::applicationFilePath(),
                      desktop::desktopDirectory(),
                      cacheDir,
                      inquiries};

    // The program-wide web client exists before the window and lasts until the program ends.
    WebClient webClient;
    Program program(services, inquiries);
    program.components().webClient = &webClient;
    return program.run();
}
