// Creates the window hidden, binds its events and hands over to the start-up sequence.
#include "Program.h"

#include "EventTable.h"
#include "StartupProcedure.h"
#include "TerminationSignals.h"
#include "WindowCommands.h"
#include "archivewindow/OfficePush.h"
#include "platform/Clock.h"
#include "platform/ProgramDir.h"
#include "platform/Services.h"

#include <QApplication>

namespace {
constexpr int kFormRecoveryPeriodMs = 30 * 1000;
}

Program::Program(Services& services, archive::Archive& archive)
    : m_services(services), m_recovery(programdir::recoveryDir(services.programDir)),
      m_components(
          services.programDir,
          transcript::formRecoveryFile(m_recovery.folder(), services.clock.now(), QCoreApplication::applicationPid()),
          archive, &m_window) {
    m_components.视频设备1.setRecoveryFolder(m_recovery.folder());
    m_components.formRecoveryClock.setInterval(kFormRecoveryPeriodMs);
    bindEvents(m_window, m_components, m_services);
}

Program::~Program() = default;

bool Program::start() {
    if (!StartupProcedure(m_window, m_services, m_components.form))
        return false;
    OfferRecovery(m_window, m_services, m_components, m_recovery);
    m_components.pushLoop = StartOfficePush(m_window, m_services.programDir);
    return true;
}

int Program::run() {
    m_termination = std::make_unique<TerminationSignals>();
    QObject::connect(m_termination.get(), &TerminationSignals::received, &m_window, [this] {
        // A second request while the first is being carried out (a nested event loop may deliver it)
        // joins the first.
        if (m_terminated)
            return;
        m_terminated = true;
        EndForTermination(m_window, m_components);
    });
    if (!start())
        return 1;
    // A signal during the start-up has ended it already.
    return m_terminated ? 0 : QApplication::exec();
}
