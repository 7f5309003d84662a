// Starts the first installed program of a list and tells the user when none could be started.
#include "ProgramLaunchers.h"

#include "platform/Dialogs.h"
#include "platform/OfficeSuites.h"
#include "platform/Services.h"
#include "platform/Shell.h"

namespace {

enum class LaunchResult { Started, NotInstalled, StartFailed };

LaunchResult startFirstInstalled(Shell& shell, const QList<Launch>& launches) {
    for (const Launch& launch : launches) {
        if (shell.findProgram({launch.program}).isEmpty())
            continue;
        return shell.startProgram({launch.program}, launch.arguments) ? LaunchResult::Started
                                                                      : LaunchResult::StartFailed;
    }
    return LaunchResult::NotInstalled;
}

struct LaunchMessages {
    QString notInstalledCaption;
    QString notInstalled;
    QString startFailed;
};

const QString kStartFailedCaption = QStringLiteral("无 法 启 动：");

void launch(Services& s, const QList<Launch>& launches, const LaunchMessages& messages) {
    switch (startFirstInstalled(s.shell, launches)) {
    case LaunchResult::Started:
        return;
    case LaunchResult::NotInstalled:
        s.dialogs.message(messages.notInstalledCaption, messages.notInstalled);
        return;
    case LaunchResult::StartFailed:
        s.dialogs.message(kStartFailedCaption, messages.startFailed);
        return;
    }
}

const LaunchMessages kWordMessages{QStringLiteral("无 法 打 印："),
                                   QStringLiteral("电 脑 没 有 安 装 WORD 办 公 软 件."),
                                   QStringLiteral("WORD 办 公 软 件 启 动 失 败.")};
const LaunchMessages kExcelMessages{QStringLiteral("无 法 打 印："),
                                    QStringLiteral("电 脑 没 有 安 装 ExceL 办 公 软 件."),
                                    QStringLiteral("ExceL 办 公 软 件 启 动 失 败.")};

// The word processor check that stands for Word's registration: both office items need it, so a
// spreadsheet program alone does not make the spreadsheet item start.
void launchOfficeProgram(Services& s, const QList<Launch>& launches, const LaunchMessages& messages) {
    const QString suite = s.shell.findProgram(officesuite::programs());
    if (suite.isEmpty()) {
        s.dialogs.message(messages.notInstalledCaption, messages.notInstalled);
        return;
    }
    launch(s, launches, messages);
}

} // namespace

const QList<Launch>& calculatorLaunches() {
    static const QList<Launch> launches{{QStringLiteral("gnome-calculator"), {}}, {QStringLiteral("kcalc"), {}},
                                        {QStringLiteral("galculator"), {}},       {QStringLiteral("mate-calc"), {}},
                                        {QStringLiteral("qalculate-gtk"), {}},    {QStringLiteral("xcalc"), {}}};
    return launches;
}

const QList<Launch>& textEditorLaunches() {
    static const QList<Launch> launches{
        {QStringLiteral("gedit"), {}},  {QStringLiteral("gnome-text-editor"), {}}, {QStringLiteral("kate"), {}},
        {QStringLiteral("kwrite"), {}}, {QStringLiteral("mousepad"), {}},          {QStringLiteral("pluma"), {}},
        {QStringLiteral("xed"), {}},    {QStringLiteral("featherpad"), {}},        {QStringLiteral("leafpad"), {}}};
    return launches;
}

const QList<Launch>& wordProcessorLaunches() {
    static const QList<Launch> launches = [] {
        QList<Launch> list;
        for (const officesuite::WordProcessor& suite : officesuite::wordProcessors())
            list.append({suite.program, suite.arguments});
        return list;
    }();
    return launches;
}

const QList<Launch>& spreadsheetLaunches() {
    static const QList<Launch> launches{{QStringLiteral("libreoffice"), {QStringLiteral("--calc")}},
                                        {QStringLiteral("soffice"), {QStringLiteral("--calc")}},
                                        {QStringLiteral("et"), {}}};
    return launches;
}

void StartCalculator(Services& s) {
    launch(s, calculatorLaunches(),
           {kStartFailedCaption, QStringLiteral("电 脑 没 有 安 装 计 算 器 程 序."),
            QStringLiteral("计 算 器 程 序 启 动 失 败.")});
}

void StartTextEditor(Services& s) {
    launch(s, textEditorLaunches(),
           {kStartFailedCaption, QStringLiteral("电 脑 没 有 安 装 文 本 编 辑 程 序."),
            QStringLiteral("文 本 编 辑 程 序 启 动 失 败.")});
}

void StartWordProcessor(Services& s) {
    launchOfficeProgram(s, wordProcessorLaunches(), kWordMessages);
}

void StartSpreadsheet(Services& s) {
    launchOfficeProgram(s, spreadsheetLaunches(), kExcelMessages);
}
