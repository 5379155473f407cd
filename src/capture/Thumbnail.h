#pragma once

#include "Timecode.h"

#include <chrono>
#include <string>

// A small picture of a recorded clip, 160 pixels wide, as JPEG bytes, made by ffmpeg (the
// program given, "ffmpeg" to look it up on PATH).
struct Thumbnail {
    std::string jpeg;    // the JPEG file's bytes, empty when there is none
    std::string problem; // "" or why there is none
};

// The picture of the file's frame (from 0; the middle of a clip of n frames is n / 2): runs
// ffmpeg -nostdin -v error -ss <the frame's time at the rate> -i <file> -frames:v 1
// -vf scale=160:-2 -f image2pipe -c:v mjpeg - and keeps what it writes when that is a JPEG
// picture; else the problem is why (ffmpeg not found, its failure, "ffmpeg wrote no picture").
Thumbnail ThumbnailJpeg(const std::string& ffmpeg, const std::string& file, int frame,
                        timecode::Rate rate, std::chrono::milliseconds timeout);
