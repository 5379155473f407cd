#pragma once

#include "Timecode.h"

#include <string>
#include <string_view>

// Where a recorded file lies on the tape, worked out from the moment its recorder was stopped:
// the frame before the one the deck was starting then is the last the file holds, and the frames
// before it are the ones the deck played before. The stop is aimed at a frame's start, so the
// position (in frames, with the fraction of a frame) is rounded to the nearest start: 1234.0,
// 1233.9 and 1234.2 all make 1233 the last frame; noise in the stop's timing never moves the
// file by a frame.
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

// Whether a file's frame rate as a probe prints it ("30/1", "30000/1001", "25", "29.97") is the
// deck's: within 0.2 %, so a 29.97 recording of a 30 (non-drop) deck counts, as it is on every
// NTSC deck. An empty or unreadable text counts: nothing says otherwise.
bool RateAgrees(std::string_view text, timecode::Rate rate);
