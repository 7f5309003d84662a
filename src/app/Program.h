// One running program: the main window, its components and the event table binding them to the
// handlers, on a set of platform services.
#pragma once

#include "Components.h"
#include "ui/MainWindow.h"

struct Services;

class Program {
public:
    explicit Program(Services& services);

    MainWindow& window() { return m_window; }
    Components& components() { return m_components; }
    // The window's creation handler. False when the start-up password was not given.
    bool start();

private:
    Services& m_services;
    MainWindow m_window;
    Components m_components;
};
