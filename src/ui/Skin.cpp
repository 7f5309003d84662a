// Style sheets built around each scheme's frame colour.
#include "Skin.h"

#include <QApplication>

namespace skin {
namespace {

struct Scheme {
    const char* frame;
    const char* face;
    const char* window;
};

QString styleSheet(const Scheme& s) {
    return QStringLiteral(
               "QMainWindow, QDialog { background-color: %3; }"
               "QGroupBox { border: 1px solid %1; border-radius: 3px; margin-top: 6px; background-color: %3; }"
               // The title stands in the margin above the frame, where what lies behind the
               // box shows through: it carries the box's colour to stay legible.
               "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 2px; "
               "background-color: %3; }"
               "QPushButton { border: 1px solid %1; border-radius: 3px; background-color: %2; padding: 1px; }"
               "QPushButton:hover { background-color: white; }"
               "QPushButton:disabled { color: gray; }"
               "QLineEdit, QComboBox, QTextEdit, QPlainTextEdit, QDateEdit "
               "{ border: 1px solid %1; background-color: white; }"
               "QTableView { border: 1px solid %1; gridline-color: %2; selection-background-color: %1; }"
               "QHeaderView::section { border: 1px solid %1; background-color: %2; padding: 1px; }"
               "QMenuBar, QStatusBar { background-color: %2; }"
               "QMenuBar::item:selected, QMenu::item:selected { background-color: %1; color: white; }"
               "QSlider::groove:horizontal { border: 1px solid %1; height: 4px; }"
               "QSlider::handle:horizontal { background: %1; width: 10px; margin: -5px 0; }")
        .arg(QLatin1String(s.frame), QLatin1String(s.face), QLatin1String(s.window));
}

} // namespace

bool apply(const QString& scheme) {
    static const Scheme blue{"#7B9EBD", "#DCE6F2", "#EEF3F9"};
    static const Scheme olive{"#A4B97F", "#E6EDD8", "#F3F6EC"};
    static const Scheme silver{"#C6C5D7", "#ECECF2", "#F6F6F9"};
    if (scheme == QLatin1String("1"))
        qApp->setStyleSheet(styleSheet(blue));
    else if (scheme == QLatin1String("2"))
        qApp->setStyleSheet(styleSheet(olive));
    else if (scheme == QLatin1String("3"))
        qApp->setStyleSheet(styleSheet(silver));
    else if (scheme == QLatin1String("4"))
        qApp->setStyleSheet(QString());
    else
        return false;
    return true;
}

} // namespace skin
