#pragma once

#include "CaptureClip.h"
#include "ClipCapture.h"
#include "TimecodeMap.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// What the deck's part of a clip left for its files' part.
struct FinishFacts {
    const CaptureClip& clip;
    const CaptureSettings& settings;
    timecode::Rate rate;
    std::string base; // the path of the clip's files without extension
    std::string tape;
    bool recorderStarted = false;
    bool endedEarly = false; // the recorder ended before its stop (already a problem)
    std::optional<int> status;
    std::optional<double> stopPosition; // the deck's position when the recorder was stopped
    std::vector<MapRead> reads;
};

// The clip's files once the recorder has ended: its status accepted, its output there and not
// empty, its frames counted and placed on the tape's timecode (and cut to in and out when
// asked), and every sidecar written: the timecode map, an MD5 of each file (and of each frame
// when asked). What is not so is a problem; a clip that was done fails on it. Fills
// outcome.files.
void FinishClip(const FinishFacts& facts, ClipOutcome& outcome,
                const std::function<void(const std::string&)>& problem);

// The recorder's own files among a clip's files: all but the sidecars KOLB writes.
std::vector<std::string> RecorderOutputs(const std::vector<std::string>& files,
                                         const std::string& base);
