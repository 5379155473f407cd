#include "CueText.h"

std::optional<CueTime> ReadCueText(const std::string& tc) {
    if (tc.size() < 11) return std::nullopt;
    auto pair = [&](size_t at) -> int {
        const char t = tc[at], u = tc[at + 1];
        if (t < '0' || t > '9' || u < '0' || u > '9') return -1;
        return (t - '0') * 10 + (u - '0');
    };
    const CueTime time{pair(0), pair(3), pair(6), pair(9)};
    if (time.hours < 0 || time.minutes < 0 || time.seconds < 0 || time.frames < 0)
        return std::nullopt;
    return time;
}

int FrameCount(const CueTime& t, timecode::Rate rate) {
    return timecode::CountOf(t.hours, t.minutes, t.seconds, t.frames, rate);
}
