// The real program, window and event table included, on test seams.
#pragma once

#include "TestServices.h"
#include "net/WebClient.h"
#include "app/Program.h"

#include <QComboBox>

struct TestProgram {
    explicit TestProgram(TestServices::Store store = TestServices::Store::Memory) : env(store)
    {
        program.components().webClient = &webClient;
    }

    TestServices env;
    WebClient webClient; // made before the window, as main() does
    Program program{env.services};

    MainWindow& w() { return program.window(); }
    bool start() { return program.start(); }
    template <typename T = QWidget> T* control(const QString& name) { return w().findChild<T*>(name); }
};
