// Creates the window hidden, binds its events and hands over to the start-up sequence.
#include "Program.h"

#include "EventTable.h"
#include "StartupProcedure.h"


Program::Program(Services& services) : m_services(services)
{
    bindEvents(m_window, m_components, m_services);
}

bool Program::start()
{
    return StartupProcedure(m_window, m_services);
}
