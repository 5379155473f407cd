// End-to-end figures of the deck controller against the simulated deck over a pseudo-terminal:
// the poll cycle achieved against the ideal one, the time from a transport call to its frame
// at the deck while the poller runs, and the CPU time of idle polling.
#include "DeckSim.h"
#include "LocalVCR.h"
#include "Utils.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using clock_type = std::chrono::steady_clock;

namespace {

class NullPanel : public DeckPanel {
public:
    void ShowTC(const std::string&) override {}
    void ShowStatus(const std::string&) override {}
    void showMarks(const std::vector<Mark>&) override {}
    void showWindow() override {}
    void enableLogger(bool) override {}
    void setClipboard(const std::string&) override {}
    TimeTexts& texts() override { return t; }

private:
    TimeTexts t;
};

LocalVCR::PanelFactory headless() {
    return [](LocalVCR&) { return std::make_unique<NullPanel>(); };
}

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void pollCycleAndLatency(int seconds, int calls) {
    DeckSim sim({});
    // Guards arrivals.
    std::mutex arrivalsMutex;
    std::vector<clock_type::time_point> arrivals;
    sim.setTraceCallback([&](const std::string& line) {
        if (line.find(" RX 20 ") == std::string::npos) return;
        std::lock_guard lock(arrivalsMutex);
        arrivals.push_back(clock_type::now());
    });
    SerOutPort link(sim.path());
    link.setwait(9);
    Settings settings;
    LocalVCR vcr(link, 2001, false, settings, headless());
    vcr.waitIdle();

    const long c0 = vcr.poller()->cycles();
    const auto t0 = clock_type::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const long cycles = vcr.poller()->cycles() - c0;
    const double elapsedMs =
        std::chrono::duration<double, std::milli>(clock_type::now() - t0).count();
    const double achieved = elapsedMs / static_cast<double>(cycles);
    const double ideal = 35.0 + 9.0 + 9.0 / 8.0;
    std::printf("poll cycle: achieved %.2f ms, ideal %.2f ms, ratio %.3f (goal >= 0.98)\n",
                achieved, ideal, ideal / achieved);

    std::mt19937 rng(7);
    std::uniform_int_distribution<int> gap(5, 40);
    std::vector<clock_type::time_point> called;
    for (int i = 0; i < calls; ++i) {
        called.push_back(clock_type::now());
        (i % 2 == 0) ? vcr.play() : vcr.stop();
        std::this_thread::sleep_for(std::chrono::milliseconds(gap(rng)));
    }
    std::this_thread::sleep_for(100ms);
    std::vector<double> latency;
    {
        std::lock_guard lock(arrivalsMutex);
        for (size_t i = 0; i < called.size() && i < arrivals.size(); ++i)
            latency.push_back(
                std::chrono::duration<double, std::milli>(arrivals[i] - called[i]).count());
    }
    std::sort(latency.begin(), latency.end());
    const auto pct = [&](double p) {
        return latency[static_cast<size_t>(p * (latency.size() - 1))];
    };
    // One exchange: the reply wait plus a frame and its reply on the wire (11 bits a byte).
    const double exchange = 9.0 + (4 + 7) * 11.0 / 38400.0 * 1000.0;
    std::printf("transport call to frame at the deck (%zu calls): p50 %.2f ms, p99 %.2f ms, "
                "p99 / (one exchange %.2f ms + 2 ms) = %.3f (goal <= 1)\n",
                latency.size(), pct(0.5), pct(0.99), exchange, pct(0.99) / (exchange + 2.0));
}

void idleCpu(const char* decksim, int seconds) {
    // The deck runs as its own program so that only the controller's CPU time is counted.
    int out[2];
    if (pipe(out) != 0) return;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        execl(decksim, decksim, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    char path[256] = {};
    ssize_t n = 0;
    size_t got = 0;
    while (got < sizeof path - 1 && (n = read(out[0], path + got, 1)) == 1 && path[got] != '\n')
        ++got;
    path[got] = '\0';
    {
        SerOutPort link(path);
        link.setwait(9);
        Settings settings;
        LocalVCR vcr(link, 2001, false, settings, headless());
        vcr.waitIdle();
        std::this_thread::sleep_for(500ms);
        const double cpu0 = cpuSeconds();
        const auto t0 = clock_type::now();
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        const double wall = std::chrono::duration<double>(clock_type::now() - t0).count();
        const double perSecond = (cpuSeconds() - cpu0) / wall * 1000.0;
        std::printf("idle polling CPU: %.2f ms per second, ratio to goal %.3f (goal <= 5 ms/s)\n",
                    perSecond, perSecond / 5.0);
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    Utils::SetLineSink([](const std::string&) {});
    pollCycleAndLatency(seconds, 200);
    idleCpu(DECKSIM_BINARY, seconds);
    return 0;
}
