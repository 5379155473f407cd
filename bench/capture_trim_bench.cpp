// Exact frames with a real recorder: ffmpeg records a generated picture (ffv1) for each clip,
// started and stopped by the simulated deck's timecode over a pseudo-terminal, with handles;
// KOLB counts the frames, places them on the tape's timecode from the stop moment and cuts a
// lossless copy of exactly in to out. Reported per rate: the trimmed files' frames against the
// logged lengths, and what ffmpeg alone lost at its start (the handled file's first frame
// against the handles' start).
#include "ClipTrim.h"
#include "DeckSim.h"
#include "LocalVCR.h"
#include "NullPanel.h"
#include "Utils.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr int handles = 10;

// The frames in a file as ffprobe counts them (-1 when it cannot).
int Frames(const std::string& path) {
    const std::string command = "ffprobe -v error -select_streams v:0 -count_frames -show_entries "
                                "stream=nb_read_frames -of csv=p=0 '" +
                                path + "' 2>/dev/null";
    std::FILE* probe = ::popen(command.c_str(), "r");
    if (!probe) return -1;
    char line[64] = {};
    const bool read = std::fgets(line, sizeof line, probe) != nullptr;
    ::pclose(probe);
    return read ? std::atoi(line) : -1;
}

struct Tally {
    int clips = 0, done = 0, exact = 0, withinOne = 0;
    std::map<int, int> lost; // frames lost at ffmpeg's start: clips
};

Tally RunRate(const std::string& rateName, int count) {
    Tally tally;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("kolb-trim-bench-" + std::to_string(getpid()));
    std::filesystem::remove_all(folder);
    DeckSim::Options options;
    options.deck.seekMs = 100;
    ninepin::RateOfName(rateName, options.deck.rate);
    DeckSim sim(options);
    SerOutPort link(sim.path());
    link.setwait(9);
    Settings settings;
    settings.FrameRate = rateName;
    settings.framerate = timecode::RateFromText(rateName).value_or(timecode::rate30);
    settings.CaptureCommand = "ffmpeg -nostdin -v error -re -f lavfi -i "
                              "testsrc2=size=160x120:rate={rate} -c:v ffv1 -g 1 {file}.mkv";
    settings.captureFolder = folder.string();
    settings.PRString = timecode::TimeText(30, settings.framerate);
    settings.captureHandles = handles;
    settings.captureTrim = true;
    settings.CaptureTrim = "YES";
    LocalVCR vcr(link, 2001, false, settings, headless());
    vcr.waitIdle();
    for (int i = 0; i < 500 && vcr.poller() == nullptr; ++i) std::this_thread::sleep_for(10ms);

    const timecode::Rate rate = settings.framerate;
    std::vector<CaptureClip> clips;
    for (int i = 0; i < count; ++i) {
        // Across a drop-frame minute now and then: in points from 00:00:50 on, 7 s apart.
        const int in = 1500 + i * 210 + i % 3, out = in + 25 + (i * 7) % 40;
        clips.push_back({i + 1, "Clip" + std::to_string(i + 1), timecode::TimeText(in, rate),
                         timecode::TimeText(out, rate), in, out});
    }
    if (const auto why = vcr.capture().start(clips, "Bench"); !why.empty()) {
        std::printf("%s: not started: %s\n", rateName.c_str(), why.c_str());
        return tally;
    }
    while (vcr.captureRunning()) std::this_thread::sleep_for(50ms);
    const auto progress = vcr.capture().batch().progress();
    for (size_t i = 0; i < progress.clips.size(); ++i) {
        const auto& c = progress.clips[i];
        ++tally.clips;
        if (c.state != ClipState::Done) {
            std::printf("  %s %s\n", c.stem.c_str(), StateText(c).c_str());
            continue;
        }
        ++tally.done;
        const std::string base = (folder / c.stem).string();
        const int trimmed = Frames(TrimTarget(base + ".mkv"));
        const int handled = Frames(base + ".mkv");
        const int asked = c.clip.frames();
        if (trimmed == asked) ++tally.exact;
        if (std::abs(trimmed - asked) <= 1) ++tally.withinOne;
        ++tally.lost[asked + 2 * handles - handled];
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return tally;
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    Utils::SetLineSink([](const std::string&) {});
    std::printf("Exact frames with ffmpeg (ffv1 -g 1, testsrc2 160x120 in real time) against the "
                "simulated deck:\nCaptureHandles=%d, CaptureTrim=YES, the default probe and trim "
                "commands; %d clips of 25 to 64 frames at each rate.\nGoal: 90%% of the "
                "trimmed files exactly as long as logged, 100%% within one frame.\n\n",
                handles, count);
    int clips = 0, exact = 0, withinOne = 0;
    for (const std::string rate : {"30", "25", "30DF"}) {
        const Tally t = RunRate(rate, count);
        std::printf("%-4s: %d of %d clips done; trimmed: %d exact, %d within one frame; "
                    "frames ffmpeg lost at its start (of the handles):",
                    rate.c_str(), t.done, t.clips, t.exact, t.withinOne);
        for (const auto& [lost, n] : t.lost) std::printf(" %d: %d clips;", lost, n);
        std::printf("\n");
        std::fflush(stdout);
        clips += t.clips;
        exact += t.exact;
        withinOne += t.withinOne;
    }
    if (clips > 0)
        std::printf("\nAll: %.1f%% exact, %.1f%% within one frame (%d clips)\n",
                    100.0 * exact / clips, 100.0 * withinOne / clips, clips);
    return 0;
}
