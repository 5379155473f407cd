#pragma once

#include "Timecode.h"

#include <string>

// Where a recorded file lies on the tape, worked out from the moment its recorder was stopped:
// the deck's position then (in frames, with the fraction of the frame it was in) is the last
// frame the file holds, and the frames before it are the ones the deck played before. The
// fraction is dropped (floor): at position 1234.6 the deck is showing frame 1234, which the
// recorder was taking in when it was stopped.
struct FrameSpan {
    int firstFrame = 0;  // the tape frame of the file's first frame; below 0 before midnight
    std::string firstTc; // its timecode at the rate (a day later when below 0)
    int inIndex = 0;     // the file's frame index (from 0) of the in point
    int keep = 0;        // the clip's frames, from the in point to the one before the out point
    bool covers = false; // the file holds every one of them
    // "" when it covers them, else what is missing: "the file starts 2 frames after the in
    // point: raise CaptureHandles", "the file ends 1 frame before the out point: raise
    // CaptureHandles" (both, joined by "; ", when both), "the file holds no frames", "the out
    // point is not after the in point".
    std::string missing;
};

// The times of a file of framesRecorded frames whose recorder was stopped at stopPosition, for
// the clip from inFrame up to outFrame (the out point's frame is not the clip's), all counted
// at the rate.
FrameSpan PlaceFrames(double stopPosition, int framesRecorded, int inFrame, int outFrame,
                      timecode::Rate rate);

// The time of a file's frame in seconds from the file's start, as ffmpeg's -ss takes it: offset
// plus frame frames at the rate (30000/1001 a second at drop-frame), with 6 decimals and a '.'
// whatever the locale.
std::string FrameSeconds(int frame, timecode::Rate rate, double offset = 0);
