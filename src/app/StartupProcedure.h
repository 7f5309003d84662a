// The start-up sequence of the main window, run at launch and again after every new transcript.
#pragma once

class MainWindow;
struct FormState;
struct Services;

// Returns false when the start-up password was not given: the program then ends.
bool StartupProcedure(MainWindow& w, Services& s, FormState& form);
