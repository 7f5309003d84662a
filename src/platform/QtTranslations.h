// Qt's own texts (standard buttons, file dialogs, edit menus) in the user's language, else in Chinese.
#pragma once

#include <QLocale>

class QCoreApplication;

namespace qttranslations {

// Installs Qt's translation for the locale into the application, or Qt's Chinese one when Qt has
// none for that locale: the program's own texts are Chinese whatever the locale. False when no
// translation could be read.
bool install(QCoreApplication& app, const QLocale& locale = QLocale());

} // namespace qttranslations
