#include "PlayClock.h"

#include <algorithm>

namespace {
double Ns(PlayClock::Clock::time_point t) {
    return static_cast<double>(t.time_since_epoch().count()) * PlayClock::Clock::period::num * 1e9 /
           PlayClock::Clock::period::den;
}
} // namespace

bool PlayClock::add(const Read& read) {
    // The deck latched frame F at some t in [sent, received]: F <= (t - origin) / frame < F + 1.
    const double lo = Ns(read.sent) - (read.frames + 1) * frameNs;
    const double hi = Ns(read.received) - read.frames * frameNs;
    const bool agrees =
        agreeing > 0 && read.frames >= lastFrames && std::max(low, lo) < std::min(high, hi);
    if (agrees) {
        low = std::max(low, lo);
        high = std::min(high, hi);
        ++agreeing;
    } else {
        low = lo;
        high = hi;
        agreeing = 1;
        firstFrames = read.frames;
    }
    lastFrames = read.frames;
    return agrees;
}

void PlayClock::reset() {
    agreeing = 0;
}

bool PlayClock::playing() const {
    return agreeing >= 2 && lastFrames > firstFrames;
}

std::optional<PlayClock::Clock::time_point> PlayClock::when(int frames) const {
    if (!playing()) return std::nullopt;
    const double at = origin() + frames * frameNs;
    return Clock::time_point(
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::nano>(at)));
}

std::optional<double> PlayClock::framesAt(Clock::time_point at) const {
    if (!playing()) return std::nullopt;
    return (Ns(at) - origin()) / frameNs;
}
