#pragma once

#include "CaptureClip.h"
#include "CaptureDeck.h"
#include "CaptureProgress.h"
#include "StopSignal.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

// How a capture runs, from the settings.
struct CaptureSettings {
    std::vector<std::string> command; // the recorder's words, placeholders not yet replaced
    std::string folder = "captures";
    int prerollFrames = 0; // the deck is cued this long before the in point
    int leadFrames = 0;    // the recorder starts this long before the in point
    std::string tape;      // the batch's tape, for clips that have none of their own
    int pass = 1; // 1: the first capture of the clips; 2 on: capturing the failed ones again
};

struct ClipOutcome {
    ClipState state = ClipState::Done;
    std::vector<std::string> problems;
    bool stopBatch = false; // the recorder cannot start or the deck is not under control
};

// What the waits for the deck (its cue-up, its reaching the in and out points) are measured by:
// the steady clock, or a clock a test moves on.
using WaitClock = std::function<std::chrono::steady_clock::time_point()>;

// Captures one clip on the calling thread: stop; cue to the in point less the preroll and wait
// for cue-up; play; the recorder starts at the moment the deck reaches the in point less the
// lead and is stopped at the moment it reaches the out point; stop. Keeps the recorder's output,
// the timecode map and a line of the capture log. A cancel (the signal) ends it at once: the
// recorder is stopped as at the out point and the deck stopped.
class ClipCapture {
public:
    static constexpr int cueWaitMs = 50000;    // a deck not cued up this long never will
    static constexpr int standstillMs = 1000;  // a deck whose time stands this long has stopped
    static constexpr int reachSlackMs = 10000; // a point not reached this long after its time

    using StateSink = std::function<void(ClipState, const std::string& stem)>;
    using FramesSink = std::function<void(int framesRecorded)>;

    ClipCapture(
        CaptureDeck& deck, const CaptureSettings& settings, StopSignal& cancel,
        WaitClock now = [] { return std::chrono::steady_clock::now(); });
    ClipOutcome run(const CaptureClip& clip, const StateSink& state, const FramesSink& frames);

private:
    CaptureDeck& deck;
    const CaptureSettings& settings;
    StopSignal& cancel;
    WaitClock now;
};
