// The HyperDeck protocol front end against the simulated tape deck, over loopback while the
// poller reads the deck: build/default/bench/kolb_hyperdeck_bench [rounds].
//
// - command to frame: a client's "preview: enable: ..." sent, to its E-E frame reaching the deck;
// - state change to notification: the deck plays or stops (a frame from KOLB's own Play and
//   Stop), to the client's "508 transport info", which goes out once the deck acknowledged the
//   frame;
// - the deck's own change (its Play and Stop buttons) to the moment a client knows it: told while
//   it listens for transport changes (the status is then read every cycle), found by asking
//   every 5 ms while no client listens (the status read every eighth cycle, as without clients).
// The goals: a command's frame within one poll cycle (35 ms for a tape deck) at the p99, and the
// deck's own change told a listening client within 100 ms at the p90.
#include "DeckSim.h"
#include "LocalVCR.h"
#include "NetClient.h"
#include "NullPanel.h"
#include "Utils.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Every frame the deck received, with the moment it arrived.
struct Arrivals {
    struct Frame {
        Clock::time_point at;
        std::string bytes;
    };
    std::mutex mutex; // guards frames
    std::vector<Frame> frames;

    void take(const std::string& line) {
        const auto at = Clock::now();
        const auto rx = line.find(" RX ");
        if (rx == std::string::npos) return;
        std::lock_guard lock(mutex);
        frames.push_back({at, line.substr(rx + 4)});
    }
    // The first arrival of `bytes` at or after `from`.
    std::optional<Clock::time_point> first(const std::string& bytes, Clock::time_point from) {
        std::lock_guard lock(mutex);
        for (const auto& f : frames)
            if (f.at >= from && f.bytes == bytes) return f.at;
        return std::nullopt;
    }
};

// A whole reply or notification, to its blank line.
std::string Block(Client& client) {
    std::string text;
    while (const auto line = client.line()) {
        text += *line + "\n";
        if (line->empty() || text.find(":\n") == std::string::npos) return text;
    }
    return text;
}

double Us(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

void Report(const char* what, std::vector<double> us) {
    if (us.empty()) return;
    std::sort(us.begin(), us.end());
    auto at = [&](double q) { return us[static_cast<size_t>(q * (us.size() - 1))]; };
    std::printf("%-46s n=%4zu  p50 %7.0f us  p90 %7.0f us  p99 %7.0f us  max %7.0f us\n", what,
                us.size(), at(0.5), at(0.9), at(0.99), us.back());
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    Utils::SetLineSink([](const std::string&) {});
    DeckSim sim(DeckSim::Options{});
    Arrivals arrivals;
    sim.setTraceCallback([&](const std::string& line) { arrivals.take(line); });
    SerOutPort link(sim.path());
    link.setwait(9); // what the program sets for a 9-pin deck
    Settings settings;
    settings.hyperdeck = true;
    settings.hyperdeckport = 0;
    LocalVCR vcr(link, 2001, false, settings, headless());
    vcr.waitIdle(); // start-up done: the poller runs, the server listens
    Client client(vcr.hyperDeckPort());
    if (!client.connected || Block(client).find("500 connection info") != 0) {
        std::fprintf(stderr, "no HyperDeck server\n");
        return 1;
    }

    // Commands as a control surface sends them, a press at a time: a pause of 40 to 140 ms
    // before each, so none waits for the turn of the one before it.
    std::mt19937 random(27);
    std::vector<double> toFrame;
    for (int i = 0; i < rounds * 5; ++i) {
        const bool on = i % 2 == 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(40 + random() % 100));
        const auto sent = Clock::now();
        client.send(on ? "preview: enable: true\r\n" : "preview: enable: false\r\n");
        if (Block(client) != "200 ok\n") {
            std::fprintf(stderr, "preview not taken\n");
            return 1;
        }
        if (const auto at = arrivals.first(on ? "20 61 81 " : "20 60 80 ", sent))
            toFrame.push_back(Us(*at - sent));
    }

    client.send("notify: transport: true\r\n");
    if (Block(client) != "200 ok\n") return 1;
    std::vector<double> fromChange;
    for (int i = 0; i < rounds; ++i) {
        const bool play = i % 2 == 0;
        // At any moment of the poll pattern, not just after the reading that told the last.
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 400));
        const auto sent = Clock::now();
        if (play)
            vcr.play();
        else
            vcr.stop();
        // The deck may pass through other states on the way (a notice each): the one that
        // tells the new state counts.
        std::string told;
        do {
            told = Block(client);
        } while (!told.empty() &&
                 told.find(play ? "status: play" : "status: stopped") == std::string::npos);
        const auto heard = Clock::now();
        if (told.empty()) {
            std::fprintf(stderr, "no notice of the change\n");
            return 1;
        }
        const auto changed = arrivals.first(play ? "20 01 21 " : "20 00 20 ", sent);
        if (!changed) continue;
        fromChange.push_back(Us(heard - *changed));
    }
    sim.setTraceCallback({});

    // Changes the deck makes by itself (its own Play and Stop buttons), to the moment the client
    // knows them: told by a notification while it listens (the status is then read every
    // cycle); while it does not (the status read every eighth cycle), found by asking for the
    // transport info every 5 ms.
    auto byItself = [&](bool listening) {
        std::vector<double> us;
        for (int i = 0; i < rounds; ++i) {
            const bool play = i % 2 == 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 400));
            const char* want = play ? "status: play" : "status: stopped";
            const auto pressed = Clock::now();
            if (play)
                sim.pressPlay();
            else
                sim.pressStop();
            for (const auto until = pressed + std::chrono::seconds(5); Clock::now() < until;) {
                if (!listening) client.send("transport info\r\n");
                const std::string told = Block(client);
                if (told.empty()) break;
                if (told.find(want) != std::string::npos) {
                    us.push_back(Us(Clock::now() - pressed));
                    break;
                }
                if (!listening) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        }
        return us;
    };
    const auto listened = byItself(true);
    client.send("notify: transport: false\r\n");
    Block(client);
    std::this_thread::sleep_for(std::chrono::seconds(1)); // the next reading sees no listener
    const auto unlistened = byItself(false);
    client.send("notify: transport: true\r\n");
    Block(client);

    // The poller's cycles in 3 s, idle and while 8 clients send stops as fast as they can.
    client.send("notify: transport: false\r\n");
    Block(client);
    auto cyclesIn3s = [&] {
        const long from = vcr.poller()->cycles();
        std::this_thread::sleep_for(std::chrono::seconds(3));
        return vcr.poller()->cycles() - from;
    };
    const long idle = cyclesIn3s();
    std::vector<std::unique_ptr<Client>> flood;
    std::string stops; // their replies, 24 kB, wait unread in the sockets
    for (int n = 0; n < 3000; ++n) stops += "stop\r\n";
    for (int c = 0; c < 7; ++c) {
        flood.push_back(std::make_unique<Client>(vcr.hyperDeckPort()));
        flood.back()->send(stops);
    }
    const long flooded = cyclesIn3s();
    for (auto& f : flood) f->reset(); // their commands still unread are dropped
    vcr.stop();

    std::printf("HyperDeck front end, simulated tape deck, poll cycle 35 ms, status every 8th "
                "(every cycle while a client listens for transport changes)\n");
    Report("command to frame on the wire", toFrame);
    Report("KOLB's command to notification", fromChange);
    Report("deck's own change, told a listening client", listened);
    Report("deck's own change, found by a client asking", unlistened);
    std::printf("poll cycles in 3 s: %ld idle, %ld while 7 more clients send stops at full tilt\n",
                idle, flooded);
    return 0;
}
