// Binds every menu item, button, list choice, timer and window event to its one handler.
#pragma once

class MainWindow;
struct Components;
struct Services;

void bindEvents(MainWindow& w, Components& c, Services& s);
