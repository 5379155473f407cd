#include "KOLB.h"

#include "SerOutPort.h"
#include "WindowSystem.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Reads the whole file; false on any input/output error.
bool readWholeFile(const char* path, std::string& out) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buf[4096];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            out.append(buf, static_cast<size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            ok = false;
            break;
        }
    }
    ::close(fd);
    return ok;
}
} // namespace

void KOLB::init() {
    utils = Utils();
    GetProps();
    MakeSerial();
    name = settings.vanto ? "JUTA" : "KOLB";
    title = " " + name;
    if (nodos) Utils::RedirectConsole(name + "_Log.txt");
    Utils::OutLine(title);
    showprops();
    Utils::OutLine("");
    if (settings.lanc) Utils::OutLine("LANC Device");
    StartWindowSystem(argc, argv);
    svcr = MakeController(*sop, socketport, settings.lanc, settings, width, fontheight);
}

int KOLB::main(int count, char** args) {
    argc = count;
    argv = args;
    KOLB().init();
    const int status = RunWindowSystem();
    // The worker threads still run; end without tearing down what they use.
    std::_Exit(status);
}

void KOLB::GetProps() {
    struct stat info {};
    if (::stat(settingsFile, &info) != 0) {
        Utils::OutLine("No configuration file found!");
        ExitAfterPause(1);
    }
    Properties props;
    try {
        std::string text;
        if (!readWholeFile(settingsFile, text)) throw PropertiesError("unreadable");
        props = ParseProperties(text);
    } catch (const PropertiesError&) {
        Utils::OutLine("Settings File Problem");
        settings = Settings();
        return;
    }
    settings = SettingsFromProperties(props);
}

void KOLB::showprops() {
    for (const auto& line : SettingsBlock(settings)) Utils::OutLine(line);
}

void KOLB::MakeSerial() {
    sop = std::make_unique<SerOutPort>(settings.comport1);
    if (sop->bad()) {
        Utils::OutLine("Serial port " + settings.comport1 + " for VCR not available.");
        ExitAfterPause(portFailureStatus);
    }
    sop->setwait(settings.lanc ? 25 : 9);
    Utils::OutLine("Serial Port " + settings.comport1 + " Opened OK");
}

void KOLB::ExitAfterPause(int status) {
    Utils::DelayT(5000);
    std::_Exit(status);
}
