// The real program in a child process, on test seams, driven without a person: it starts a
// recording, a capture and typing into the form as asked, says what it started on standard output
// and runs until a signal ends it or it is killed. QUILLON_HOME, QUILLON_AUDIO_SOURCE and
// QUILLON_VIDEO_SOURCE set its world; "at=2012-11-30T14:00:00" fixes its clock, so that programs
// started together share a second. With "locked" the start-up stops at the password window, which
// stays open (PASSWORD said) until a signal ends the program.
//   program_driver [at=TIME] [locked] [record] [capture] [form]
#include "TestServices.h"
#include "app/Program.h"
#include "archive/Archive.h"
#include "net/WebClient.h"
#include "platform/ProgramDir.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTextEdit>
#include <QTextStream>
#include <QTimer>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    const QStringList actions = QApplication::arguments().mid(1);

    ScriptedDialogs dialogs;
    SystemClock systemClock;
    FixedClock fixedClock;
    const QStringList at = actions.filter(QRegularExpression("^at="));
    if (!at.isEmpty())
        fixedClock.time = QDateTime::fromString(at.first().mid(3), Qt::ISODate);
    Clock& clock = at.isEmpty() ? static_cast<Clock&>(systemClock) : fixedClock;
    MemoryRegistry registry;
    FakeShell shell;
    const QString programDir = programdir::resolve().dir;
    archive::Archive inquiries(programDir, archive::Archive::Work::InBackground, [&dialogs](const QString& text) {
        dialogs.message("提 示：", text, Dialogs::Buttons::Ok);
    });
    Services services{dialogs,
                      clock,
                      registry,
                      shell,
                      programDir,
                      QApplication::applicationFilePath(),
                      programDir + "/desktop/",
                      programDir + "/cache",
                      inquiries};

    if (actions.contains("locked")) {
        registry.values["TESK"] = "1";
        dialogs.onModal([](QDialog& window) {
            QTextStream(stdout) << "PASSWORD" << Qt::endl;
            window.exec();
        });
    }

    WebClient webClient;
    Program program(services, inquiries);
    program.components().webClient = &webClient;
    QTimer::singleShot(0, &app, [&] {
        MainWindow& w = program.window();
        Components& c = program.components();
        QTextStream out(stdout);
        if (actions.contains("record")) {
            w.按钮录音->click();
            out << "RECORDING " << c.录音1.file() << Qt::endl;
        }
        if (actions.contains("capture")) {
            w.actStartCapture->trigger();
            out << "CAPTURING " << c.视频设备1.file() << Qt::endl;
        }
        if (actions.contains("form")) {
            w.编辑框9->setText("张三");
            w.编辑框14->setText("宏达公司");
            w.组合框4->setEditText("问：你在哪里工作？");
            w.超级编辑框2->setPlainText("当场查获");
            // A page switch writes the unsaved form to the recovery folder.
            w.按钮1->click();
            out << "FORM " << c.formRecovery.file() << Qt::endl;
        }
        // Anything the program had to say means a step above did not happen.
        for (const QString& box : dialogs.messageTexts())
            out << "DIALOG " << box << Qt::endl;
        out << "READY" << Qt::endl;
    });
    return program.run();
}
