// One running program: the main window, its components and the event table binding them to the
// handlers, on a set of platform services.
#pragma once

#include "Components.h"
#include "platform/RecoverySession.h"
#include "ui/MainWindow.h"

#include <memory>

class TerminationSignals;
struct Services;
namespace archive {
class Archive;
}

class Program {
public:
    // archive: the archive of the program directory, which services tells of every command.
    Program(Services& services, archive::Archive& archive);
    ~Program();

    MainWindow& window() { return m_window; }
    Components& components() { return m_components; }
    const RecoverySession& recovery() const { return m_recovery; }
    // The window's creation handler, then the offer of what an unclean end left in the recovery
    // folder. False when the start-up password was not given.
    bool start();
    // What main() does: a logout or shutdown ends the program in order, the start, the event loop.
    // The process's exit code.
    int run();

private:
    Services& m_services;
    // Taken before anything of this program writes to the recovery folder.
    RecoverySession m_recovery;
    MainWindow m_window;
    Components m_components;
    std::unique_ptr<TerminationSignals> m_termination;
    bool m_terminated = false;
};
