#include "WindowSystem.h"

#include "LocalGUI.h"

#include <QApplication>

namespace {
std::unique_ptr<QApplication> application;
}

void StartWindowSystem(int& argc, char** argv) {
    if (!QApplication::instance()) application = std::make_unique<QApplication>(argc, argv);
}

int RunWindowSystem() {
    return QApplication::exec();
}

std::unique_ptr<LocalVCR> MakeController(SerOutPort& sop, int socketport, bool lanc,
                                         const Settings& settings, int width, int fontheight) {
    return std::make_unique<LocalVCR>(
        sop, socketport, lanc, settings, [&settings, width, fontheight](LocalVCR& vcr) {
            return std::make_unique<LocalGUI>(vcr, settings, width, fontheight);
        });
}
