#include "WindowSystem.h"

#include "LocalGUI.h"
#include "WindowProbe.h"

#include <QApplication>

namespace {
std::unique_ptr<QApplication> application;

// Set only while the window system starts, on the main thread, before any other thread exists
// that could log through Qt.
std::function<void()> startFailed;
QtMessageHandler previousHandler = nullptr;

void startupMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg && startFailed) {
        if (previousHandler) previousHandler(QtWarningMsg, context, text);
        startFailed();
    }
    if (previousHandler) previousHandler(type, context, text);
}
} // namespace

void StartWindowSystem(int& argc, char** argv, std::function<void()> noDisplay) {
    if (QApplication::instance()) return;
    startFailed = std::move(noDisplay);
    previousHandler = qInstallMessageHandler(startupMessages);
    application = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previousHandler);
    startFailed = {};
}

int RunWindowSystem() {
    return QApplication::exec();
}

std::unique_ptr<LocalVCR> MakeController(SerOutPort& sop, int socketport, bool lanc,
                                         const Settings& settings, int width, int fontheight) {
    return std::make_unique<LocalVCR>(
        sop, socketport, lanc, settings, [&settings, width, fontheight](LocalVCR& vcr) {
            auto gui = std::make_unique<LocalGUI>(vcr, settings, width, fontheight);
            new WindowProbe(*gui, vcr); // owned by the window
            return gui;
        });
}
