// Round trip of "GetTC" from a network client over loopback while the poller reads the
// simulated tape deck: build/default/bench/kolb_net_bench [round trips]. The goal is a p99 below
// one poll cycle (35 ms for a tape deck).
#include "DeckSim.h"
#include "LocalVCR.h"
#include "NetClient.h"
#include "NullPanel.h"
#include "Utils.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

using clock_type = std::chrono::steady_clock;

int main(int argc, char** argv) {
    const int trips = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    // The program's console lines (start-up, the client's leaving) are not the benchmark's.
    Utils::SetLineSink([](const std::string&) {});
    DeckSim::Options options;
    DeckSim sim(options);
    SerOutPort link(sim.path());
    link.setwait(9); // what the program sets for a 9-pin deck
    Settings settings;
    settings.netserver = true;
    settings.netport = 0;
    LocalVCR vcr(link, 2001, false, settings, headless());
    vcr.waitIdle(); // start-up done: the poller runs, the server listens
    vcr.play();
    Client client(vcr.serverPort());
    if (!client.connected || client.line() != "OK") {
        std::fprintf(stderr, "no server\n");
        return 1;
    }
    std::vector<double> us;
    us.reserve(static_cast<size_t>(trips));
    for (int i = 0; i < trips; ++i) {
        const auto t0 = clock_type::now();
        client.send("GetTC\n");
        if (!client.line()) {
            std::fprintf(stderr, "no reply\n");
            return 1;
        }
        us.push_back(std::chrono::duration<double, std::micro>(clock_type::now() - t0).count());
    }
    std::sort(us.begin(), us.end());
    auto at = [&](double q) { return us[static_cast<size_t>(q * (us.size() - 1))]; };
    std::printf("GetTC round trips: %d while polling (poll cycle 35 ms)\n", trips);
    std::printf("p50 %.0f us  p99 %.0f us  max %.0f us\n", at(0.5), at(0.99), us.back());
    vcr.stop();
    return 0;
}
