// The floor under a command's time: a program that starts Qt and prints one line, on QtCore alone or,
// built with REFERENCE_GUI, with a GUI application on the offscreen platform.
#ifdef REFERENCE_GUI
#include <QGuiApplication>
#else
#include <QCoreApplication>
#endif

#include <cstdio>

int main(int argc, char** argv) {
#ifdef REFERENCE_GUI
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    std::puts("Quillon");
    return 0;
}
