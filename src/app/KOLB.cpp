#include "KOLB.h"

#include "CommandLine.h"
#include "SerOutPort.h"
#include "StandardStreams.h"
#include "StartFolder.h"
#include "WindowSystem.h"

#include <cerrno>
#include <cstdio>
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

void writeText(std::FILE* stream, const std::string& text) {
    std::fputs(text.c_str(), stream);
    std::fflush(stream);
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
    const CommandLine line = ParseCommandLine(std::vector<std::string>(args, args + count));
    switch (line.action) {
    case CommandLine::Action::Help:
        writeText(stdout, UsageText());
        return 0;
    case CommandLine::Action::Version:
        writeText(stdout, VersionText());
        return 0;
    case CommandLine::Action::Refuse:
        writeText(stderr, "kolb: " + line.problem + "\n" + UsageText());
        return usageStatus;
    case CommandLine::Action::Run:
        break;
    }
    // Before anything opens a file: the settings, the log and the rest are the folder's.
    const StartFolder start = EnterStartFolder(line, settingsFile, SampleFolder());
    if (!start.problem.empty()) {
        writeText(stderr, "kolb: " + start.problem + "\n");
        return folderFailureStatus;
    }
    settingsPath = start.settingsPath;
    for (const auto& note : start.notes) Utils::OutLine(note);
    windowArgs = line.windowSystem;
    for (auto& arg : windowArgs) windowArgv.push_back(arg.data());
    windowArgv.push_back(nullptr);
    argc = static_cast<int>(windowArgs.size());
    argv = windowArgv.data();
    KOLB().init();
    const int status = RunWindowSystem();
    // The worker threads still run; end without tearing down what they use.
    Utils::FlushRepeats();
    std::_Exit(status);
}

void KOLB::GetProps() {
    struct stat info {};
    if (::stat(settingsPath.c_str(), &info) != 0) {
        // A file named on the command line is named again.
        Utils::OutLine(settingsPath == settingsFile
                           ? "No configuration file found!"
                           : "No configuration file found at " + settingsPath);
        ExitAfterPause(1);
    }
    Properties props;
    try {
        std::string text;
        if (!readSettingsFile(settingsPath.c_str(), text, maxSettingsBytes))
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
