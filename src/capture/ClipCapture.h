#pragma once

#include "CaptureClip.h"
#include "CaptureDeck.h"
#include "CaptureProgress.h"
#include "StopSignal.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// How a capture runs, from the settings.
struct CaptureSettings {
    std::vector<std::string> command; // the recorder's words, placeholders not yet replaced
    std::string folder = "captures";
    int prerollFrames = 0; // the deck is cued this long before the in point
    int leadFrames = 0;    // the recorder starts this long before the in point
    std::string tape;      // the batch's tape, for clips that have none of their own
    // The recorder's exit statuses that count as a good end on its SIGINT.
    std::vector<int> exitOk{0, 255};
    int pass = 1; // 1: the first capture of the clips; 2 on: capturing the failed ones again
    // The room a clip needs in the folder at least (0: no check); more when the clips before
    // show that it needs more.
    long long minFreeBytes = 0;
    int handles = 0;                      // recorded before the in and after the out
    std::vector<std::string> probe;       // counts a file's frames; empty: not counted
    bool trim = false;                    // a copy of exactly in to out beside the original
    std::vector<std::string> trimCommand; // empty: the stream copy of ffmpeg
    bool frameMd5 = false;                // an MD5 of every frame too
    bool thumbnails = false;              // a picture of each clip's middle for the report
    // The room in a folder in bytes, nothing when it cannot be told; empty: the file system's.
    std::function<std::optional<long long>(const std::string&)> freeBytes;
};

// What a clip left: for the capture log, the report and the next clip's room.
struct ClipFiles {
    std::string base;                 // the path without extension ({file})
    std::vector<std::string> files;   // every file of the clip, its sidecars too
    std::vector<std::string> outputs; // the recorder's own files
    long long outputBytes = 0;
    int framesRecorded = -1; // counted in the file; -1: not counted
    std::string firstTc;     // the true timecode of the file's first frame; "" not known
    std::string md5;         // of the first output
    std::string thumbnailJpeg;
    std::optional<int> exitStatus;
};

struct ClipOutcome {
    ClipState state = ClipState::Done;
    std::vector<std::string> problems;
    bool stopBatch = false; // the recorder cannot start, no room, or the deck is not under control
    bool deckLost = false;  // LOCAL, no tape or the link lost ended it
    ClipFiles files;
    std::vector<std::string> breaks;
    std::vector<std::vector<std::uint8_t>> statuses; // the deck's status at each read recorded
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
    // The bytes a frame took in the clip before, for the room the next one needs.
    double bytesPerFrame = 0;
};
