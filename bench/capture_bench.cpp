// Capture from the log against the simulated deck over a pseudo-terminal: where the deck was
// when the recorder started, against the in point, and when it got its SIGINT, against the out
// point. The deck's position comes from the simulator: it plays on from the cue point (the in
// point less the preroll) from the moment its Play frame arrived. The recorder is this program
// run again with --record, noting its start and its SIGINT on the steady clock.
#include "BusyLoops.h"
#include "DeckSim.h"
#include "LocalVCR.h"
#include "NullPanel.h"
#include "Utils.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int prerollFrames = 30;
constexpr double frameMs = 1000.0 / 30;

long long NowNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

// The recorder: "started <ns>", then "sigint <ns>" when it comes.
int Record(const char* path) {
    sigset_t wanted;
    sigemptyset(&wanted);
    sigaddset(&wanted, SIGINT);
    sigprocmask(SIG_BLOCK, &wanted, nullptr);
    const long long started = NowNs();
    std::FILE* out = std::fopen(path, "w");
    if (!out) return 1;
    std::fprintf(out, "started %lld\n", started);
    std::fflush(out);
    int got = 0;
    sigwait(&wanted, &got);
    std::fprintf(out, "sigint %lld\n", NowNs());
    std::fclose(out);
    return 0;
}

Clock::time_point FromNs(long long ns) {
    return Clock::time_point(std::chrono::nanoseconds(ns));
}

struct Percentiles {
    double share = 0; // within one frame
    double worst = 0;
};

Percentiles Summarise(const std::vector<double>& offsets) {
    Percentiles p;
    for (const double o : offsets) {
        if (std::abs(o) <= 1.0) p.share += 1;
        if (std::abs(o) > std::abs(p.worst)) p.worst = o;
    }
    if (!offsets.empty()) p.share = 100.0 * p.share / offsets.size();
    return p;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--record") return Record(argv[2]);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    const int busy = argc > 2 ? std::clamp(std::atoi(argv[2]), 0, 16) : 0;
    const BusyLoops loops(busy);
    Utils::SetLineSink([](const std::string&) {});

    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("kolb-capture-bench-" + std::to_string(getpid()));
    std::printf("Capture from the log end to end: the deck controller against the simulated deck "
                "over a pseudo-terminal\n(30 fps, preroll 1 s, clips of 20 to 49 frames, "
                "CaptureLead 0). %d clips, %d busy loops beside it.\n"
                "start: the deck's position when the recorder started, less the in point;\n"
                "stop: its position when the recorder got SIGINT, less the out point; in frames.\n"
                "Goal: 99%% within one frame.\n\n",
                count, busy);
    std::fflush(stdout);

    DeckSim::Options options;
    options.deck.seekMs = 100;
    DeckSim sim(options);
    std::mutex playsMutex;
    std::vector<Clock::time_point> plays; // when each Play frame reached the deck
    sim.setTraceCallback([&](const std::string& line) {
        if (line.find(" RX 20 01 21 ") == std::string::npos) return;
        std::lock_guard lock(playsMutex);
        plays.push_back(Clock::now());
    });
    SerOutPort link(sim.path());
    link.setwait(9);
    Settings settings;
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) return 1;
    settings.CaptureCommand = std::string(self) + " --record {file}.report";
    settings.captureFolder = folder.string();
    settings.PRString = "00:00:01:00";
    // The recorder here notes moments and records no picture: no frames to count.
    settings.CaptureProbe = "NO";
    LocalVCR vcr(link, 2001, false, settings, headless());
    vcr.waitIdle();
    for (int i = 0; i < 500 && vcr.poller() == nullptr; ++i) std::this_thread::sleep_for(10ms);

    std::vector<CaptureClip> clips;
    for (int i = 0; i < count; ++i) {
        const int in = 300 + i * 150, out = in + 20 + (i * 7) % 30;
        clips.push_back({i + 1, "Clip" + std::to_string(i + 1), timecode::TimeText(in),
                         timecode::TimeText(out), in, out});
    }
    if (const auto why = vcr.capture().start(clips, "Bench"); !why.empty()) {
        std::printf("not started: %s\n", why.c_str());
        return 1;
    }
    while (vcr.captureRunning()) std::this_thread::sleep_for(50ms);
    sim.setTraceCallback({});

    std::vector<double> starts, stops;
    const auto progress = vcr.capture().batch().progress();
    for (int i = 0; i < count && i < static_cast<int>(plays.size()); ++i) {
        std::ifstream report(folder / (progress.clips[i].stem + ".report"));
        std::string word;
        long long ns = 0, started = 0, sigint = 0;
        while (report >> word >> ns) (word == "started" ? started : sigint) = ns;
        if (!started || !sigint) continue;
        const auto at = [&](long long t) {
            return clips[i].inFrames - prerollFrames +
                   std::chrono::duration<double, std::milli>(FromNs(t) - plays[i]).count() /
                       frameMs;
        };
        starts.push_back(at(started) - clips[i].inFrames);
        stops.push_back(at(sigint) - clips[i].outFrames);
    }
    const Percentiles s = Summarise(starts), e = Summarise(stops);
    std::printf("clips measured: %zu of %d (%s)\n", starts.size(), count,
                SummaryText(progress).c_str());
    std::printf("start: %.1f%% within one frame, worst %+.2f frames\n", s.share, s.worst);
    std::printf("stop:  %.1f%% within one frame, worst %+.2f frames\n", e.share, e.worst);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return 0;
}
