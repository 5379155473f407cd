#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A clip's timecode map, {file}.timecode.csv: one line per time read while the recorder ran.
struct MapRead {
    long long ms = 0;                 // milliseconds since the recorder started (negative before)
    std::string tc;                   // the timecode read
    std::vector<std::uint8_t> status; // the deck's status bytes at the latest status read
    int frames = -1;                  // the timecode as a frame count at the rate in use
};

// "ms,timecode,status hex,file frame" per line, ending "\n"; status bytes as upper-case hex
// pairs with no separator ("20000000"), empty when none was read; the file frame is the number
// (from 0) of the frame in the file that holds the read's timecode, given the timecode of the
// file's first frame and its frame count, and empty when those are not known or the read lies
// outside the file. No header.
std::string TimecodeMapText(const std::vector<MapRead>& reads, int firstFrame = -1,
                            int fileFrames = 0);
