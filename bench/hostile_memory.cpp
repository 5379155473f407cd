// Peak memory of KOLB's readers fed the largest hostile inputs: run
// build/default/bench/kolb_hostile_bench. Each input is read in a child process of its own, once
// ordinary and once hostile, and the child's peak resident set (ru_maxrss) is reported with what
// the program said about it. The readers are the program's own: the deck link on a simulated
// deck, the settings file through start-up's reading, the script runner and the network server
// on a controller, and Load EDL.
#include "DeckSim.h"
#include "EdlFile.h"
#include "KOLB.h"
#include "LocalVCR.h"
#include "NetClient.h"
#include "NullPanel.h"
#include "ScriptRunner.h"
#include "Utils.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t megabyte = 1 << 20;

// The console lines of the child, for what it said.
std::mutex linesMutex;
std::vector<std::string> lines;

void keepLines() {
    Utils::SetLineSink([](const std::string& l) {
        std::lock_guard lock(linesMutex);
        lines.push_back(l);
    });
}

// The lines that hold one of the words, joined; "nothing said" when none does.
std::string saidAbout(const std::vector<std::string>& words) {
    std::lock_guard lock(linesMutex);
    std::string said;
    for (const auto& l : lines)
        for (const auto& w : words)
            if (l.find(w) != std::string::npos) {
                said += (said.empty() ? "" : " / ") + l.substr(0, 90);
                break;
            }
    return said.empty() ? "nothing said" : said;
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The window's status field, kept with the console lines.
class StatusPanel : public NullPanel {
public:
    void ShowStatus(const std::string& text) override {
        std::lock_guard lock(linesMutex);
        lines.push_back("status: " + text);
    }
};

// A controller whose link has no port, for the readers that drive one.
struct Controller {
    SerOutPort link{"none", [](const SerialConfig&) { return nullptr; }};
    LocalVCR vcr;
    explicit Controller(const Settings& s)
        : vcr(
              link, 0, false, s, [](LocalVCR&) { return std::make_unique<StatusPanel>(); },
              [](int) {}) {
        vcr.waitIdle();
    }
};

std::string deckReply(bool hostile) {
    DeckSim::Options options;
    DeckSim sim(options);
    SerOutPort link(sim.path());
    link.setwait(40);
    // Each reply comes after 200 foreign bytes: 207 bytes an exchange.
    if (hostile) sim.setGarbage(200);
    const std::uint8_t timeSense[] = {0x61, 0x0C, 0x03, 0x70};
    for (int i = 0; i < 200; ++i) link.SendSerial(timeSense);
    return saidAbout({"Deck reply"});
}

std::string settingsFile(bool hostile) {
    writeFile(KOLB::settingsFile, hostile ? "COMPort=" + std::string(megabyte - 9, 'x') + "\n"
                                          : "COMPort=/dev/ttyUSB0\n");
    KOLB kolb;
    kolb.GetProps();
    return saidAbout({"Settings"});
}

std::string scriptLine(bool hostile) {
    writeFile("Script.txt", hostile ? "Play\n" + std::string(megabyte, 'P') : "Play\nStop\n");
    Controller c{Settings()};
    RunScript(c.vcr, "Script.txt");
    return saidAbout({"Script"});
}

std::string edlLines(bool hostile) {
    const std::string event =
        "001  Name01    AA/V  C        00:00:10:00 00:00:20:00 01:00:00:00 01:00:10:00 \r\n";
    std::ofstream file("big.edl", std::ios::binary);
    file << "TITLE: big \r\nFCM: NON-DROP FRAME \r\n";
    for (int i = 0; i < (hostile ? 100000 : 100); ++i) file << event;
    file.close();
    const EdlLoad load = LoadEDL("big.edl", false, timecode::rate30);
    return std::to_string(load.read.stored) + " stored; " + saidAbout({"EDL"});
}

std::string clientLine(bool hostile) {
    Settings s;
    s.netserver = true;
    s.netport = 0;
    Controller c{s};
    Client client(c.vcr.serverPort());
    client.line(); // the greeting
    client.send(hostile ? std::string(megabyte, 'A') : std::string("GetTC\n"));
    if (!hostile) client.line();
    client.send("Quit\n");
    while (client.line()) {
    }
    return saidAbout({"Too Long", "Close"});
}

struct Case {
    const char* name;
    std::function<std::string(bool)> run;
};

// Runs one reading in a child of its own in a fresh folder; its peak resident set in KiB.
long peakOf(const Case& c, bool hostile, std::string& said) {
    int out[2];
    if (::pipe(out) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(out[0]);
        char dir[] = "/tmp/kolb-hostile-XXXXXX";
        if (::mkdtemp(dir) == nullptr || ::chdir(dir) != 0) ::_exit(1);
        keepLines();
        const std::string text = c.run(hostile);
        if (::write(out[1], text.data(), text.size()) < 0) ::_exit(1);
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
        Utils::FlushRepeats();
        ::_exit(0);
    }
    ::close(out[1]);
    char buf[512];
    ssize_t n;
    while ((n = ::read(out[0], buf, sizeof buf)) > 0) said.append(buf, static_cast<size_t>(n));
    ::close(out[0]);
    int status = 0;
    rusage usage{};
    if (::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss;
}

} // namespace

int main() {
    const Case cases[] = {
        {"deck reply of 207 bytes, 200 times", deckReply},
        {"settings value of 1 MB", settingsFile},
        {"Script.txt line of 1 MB", scriptLine},
        {"EDL of 100000 event lines", edlLines},
        {"TCP client, 1 MB without a newline", clientLine},
    };
    int failures = 0;
    for (const Case& c : cases) {
        std::string ordinarySaid, hostileSaid;
        const long ordinary = peakOf(c, false, ordinarySaid);
        const long hostile = peakOf(c, true, hostileSaid);
        failures += ordinary < 0 || hostile < 0;
        std::printf("%-36s peak RSS ordinary %6.1f MB, hostile %6.1f MB\n    said: %s\n", c.name,
                    static_cast<double>(ordinary) / 1024, static_cast<double>(hostile) / 1024,
                    hostileSaid.c_str());
    }
    return failures == 0 ? 0 : 1;
}
