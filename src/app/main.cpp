#include "KOLB.h"

#include <QApplication>

int main(int argc, char** argv) {
    // Settings, deck link and log come first: their failures end the process before any window
    // system is needed.
    KOLB().init();
    QApplication app(argc, argv);
    // The process lives on in the event loop until the main window is closed.
    return app.exec();
}
