// Creates the window hidden, binds its events and hands over to the start-up sequence.
#include "Program.h"

#include "EventTable.h"
#include "app/StartupProcedure.h"

#include <QApplication>
#include <QFont>

Program::Program(Services& services) : m_services(services)
{
    // A font with every Chinese character the form shows, at the size the 20-pixel boxes take.
    QFont font(QStringList{QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Zen Hei"),
                           QStringLiteral("SimSun")});
    font.setPixelSize(12);
    QApplication::setFont(font);
    bindEvents(m_window, m_components, m_services);
}

bool Program::start()
{
    return StartupProcedure(m_window, m_services);
}
