// The real program, window and event table included, on test seams.
#pragma once

#include "TestServices.h"
#include "app/Program.h"
#include "archive/Archive.h"
#include "net/WebClient.h"

#include <QComboBox>

struct TestProgram {
    explicit TestProgram(TestServices::Store store = TestServices::Store::Memory) : env(store) {
        program.components().webClient = &webClient;
    }

    TestServices env;
    WebClient webClient; // made before the window, as main() does
    // The real archive of the program directory, for the archive window; the commands tell their
    // events to env.journal, which keeps them for the tests to read.
    archive::Archive archive{env.programDir(), archive::Archive::Work::AtOnce, [this](const QString& text) {
                                 env.dialogs.message("提 示：", text, Dialogs::Buttons::Ok);
                             }};
    Program program{env.services, archive};

    MainWindow& w() { return program.window(); }
    // The status message the status bar shows, which the handlers leave beside the form.
    QString& status() { return program.components().form.status; }
    bool start() { return program.start(); }
    template <typename T = QWidget> T* control(const QString& name) { return w().findChild<T*>(name); }
};
