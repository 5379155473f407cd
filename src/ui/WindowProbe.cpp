#include "WindowProbe.h"

#include "LocalGUI.h"
#include "LocalVCR.h"
#include "Utils.h"

#include <QLineEdit>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
// The signal handler's way to the window's thread: it writes the signal's number as one byte.
int signalPipe[2] = {-1, -1};

void onSignal(int sig) {
    const int saved = errno;
    const char byte = static_cast<char>(sig);
    if (::write(signalPipe[1], &byte, 1) < 0) {
        // A full pipe already holds requests enough.
    }
    errno = saved;
}

bool installHandlers() {
    if (signalPipe[0] >= 0) return true;
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGUSR1, &action, nullptr);
    ::sigaction(SIGUSR2, &action, nullptr);
    return true;
}
} // namespace

WindowProbe::WindowProbe(LocalGUI& g, LocalVCR& v) : QObject(&g), gui(g), vcr(v) {
    if (!installHandlers()) return;
    notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] { readSignals(); });
}

WindowProbe::~WindowProbe() {
    // Later signals wait in the pipe; the handlers stay, so they never end the program.
    if (notifier) notifier->setEnabled(false);
}

void WindowProbe::readSignals() {
    char bytes[16];
    ssize_t n;
    while ((n = ::read(signalPipe[0], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < n; ++i) {
            if (bytes[i] == SIGUSR1) report();
            if (bytes[i] == SIGUSR2) gui.close();
        }
    }
}

void WindowProbe::report() {
    const std::string name = "Probe " + std::to_string(++reports) + ": ";
    const bool live = gui.timeField()->textColour() != QColor(128, 128, 128);
    long polls = -1;
    if (TCThread* poller = vcr.poller()) polls = poller->cycles();
    std::string line = name;
    line += "time ";
    line += gui.timeField()->text().toStdString();
    line += live ? " live" : " grey";
    line += ", status \"";
    line += gui.statusField()->text().toStdString();
    line += "\", marks ";
    line += std::to_string(gui.marks().size());
    line += ", polls ";
    line += std::to_string(polls);
    Utils::OutLine(line);
    vcr.post([name] { Utils::OutLine(name + "operator actions run"); });
}
