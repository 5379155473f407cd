#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A clip's timecode map, {file}.timecode.csv: one line per time read while the recorder ran.
struct MapRead {
    long long ms = 0;                 // milliseconds since the recorder started (negative before)
    std::string tc;                   // the timecode read
    std::vector<std::uint8_t> status; // the deck's status bytes at the latest status read
};

// "ms,timecode,status hex" per line, ending "\n"; status bytes as upper-case hex pairs with no
// separator ("20000000"), empty when none was read. No header.
std::string TimecodeMapText(const std::vector<MapRead>& reads);
