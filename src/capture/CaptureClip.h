#pragma once

#include "EventList.h"
#include "Timecode.h"

#include <string>
#include <vector>

// A logged event as a capture takes it: its in and out are timecodes at the rate, out after in.
struct CaptureClip {
    int event = 0; // 1 to 100
    std::string name;
    std::string in;
    std::string out;
    int inFrames = 0;
    int outFrames = 0;
    std::string tape = {}; // the clip's own tape; empty: none, the batch's tape is taken
    int frames() const { return outFrames - inFrames; }
    bool operator==(const CaptureClip&) const = default;
};

// The event at index i as a clip, with its own tape; nothing when its in or out is not a timecode
// at the rate or its out is not after its in.
std::optional<CaptureClip> ClipOf(const EventList& events, int i, timecode::Rate rate);
// "Capture All": the clips among events 1 to the last with an out, in order; the events without
// times are skipped.
std::vector<CaptureClip> ClipsToCapture(const EventList& events, timecode::Rate rate);
