#include "KOLB.h"

#include "SerOutPort.h"
#include "StandardStreams.h"
#include "WindowSystem.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Reads the whole settings file; false on any input/output error, and for anything that is not
// a regular file of at most maxBytes (a device, a FIFO, a directory, a huge file), which is
// never opened in a way that could block or read without end.
bool readSettingsFile(const char* path, std::string& out, off_t maxBytes) {
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= maxBytes;
    char buf[4096];
    while (ok) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            out.append(buf, static_cast<size_t>(n));
            ok = out.size() <= static_cast<size_t>(maxBytes); // it grew while being read
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            ok = false;
        }
    }
    ::close(fd);
    return ok;
}

void noDisplay() {
    const std::string line = "No display for the KOLB window";
    Utils::OutLine(line);
    const std::string text = line + "\n";
    if (::write(STDERR_FILENO, text.data(), text.size()) < 0) {
        // Nowhere else to say it; the log has the line.
    }
    KOLB::ExitAfterPause(KOLB::portFailureStatus);
}
} // namespace

void KOLB::init() {
    utils = Utils();
    GetProps();
    MakeSerial();
    name = ProductName(settings);
    title = " " + name;
    if (nodos) Utils::RedirectConsole(name + "_Log.txt");
    Utils::OutLine(title);
    showprops();
    Utils::OutLine("");
    if (settings.lanc) Utils::OutLine("LANC Device");
    StartWindowSystem(argc, argv, noDisplay);
    svcr = MakeController(*sop, socketport, settings.lanc, settings, width, fontheight);
}

int KOLB::main(int count, char** args) {
    PrepareStandardStreams();
    argc = count;
    argv = args;
    KOLB().init();
    const int status = RunWindowSystem();
    // The worker threads still run; end without tearing down what they use.
    Utils::FlushRepeats();
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
        if (!readSettingsFile(settingsFile, text, maxSettingsBytes))
            throw PropertiesError("unreadable");
        props = ParseProperties(text);
    } catch (const PropertiesError&) {
        Utils::OutLine("Settings File Problem");
        settings = Settings();
        return;
    }
    for (const auto& line : DropOverlongValues(props)) Utils::OutLine(line);
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
    Utils::FlushRepeats();
    std::_Exit(status);
}
