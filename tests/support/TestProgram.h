// The real program, window and event table included, on test seams.
#pragma once

#include "TestServices.h"
#include "ui/Program.h"

#include <QComboBox>

struct TestProgram {
    TestServices env;
    Program program{env.services};

    MainWindow& w() { return program.window(); }
    bool start() { return program.start(); }
    template <typename T = QWidget> T* control(const QString& name) { return w().findChild<T*>(name); }
};
