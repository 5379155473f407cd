#include "ShuttleLadder.h"

#include <algorithm>
#include <cstdlib>

namespace {
constexpr std::uint8_t speeds[ShuttleLadder::topRung + 1] = {0x00, 0x40, 0x4A, 0x56};
constexpr const char* speedNames[ShuttleLadder::topRung + 1] = {"", "1x", "2x", "5x"};

int clampRung(int rung) {
    return std::clamp(rung, -ShuttleLadder::topRung, ShuttleLadder::topRung);
}
} // namespace

int ShuttleLadder::next(int rung, int direction) {
    return clampRung(clampRung(rung) + (direction > 0 ? 1 : -1));
}

std::uint8_t ShuttleLadder::speedByte(int rung) {
    return speeds[std::abs(clampRung(rung))];
}

int ShuttleLadder::barValue(int rung) {
    const int half = speedByte(rung) / 2;
    return rung < 0 ? 48 - half : 48 + half;
}

std::string ShuttleLadder::text(int rung) {
    if (rung == 0) return "Pause";
    return std::string(rung > 0 ? "Shuttle Forward " : "Shuttle Reverse ") +
           speedNames[std::abs(clampRung(rung))];
}

int ShuttleLadder::step(int direction, unsigned framesSent, int restart) {
    if (framesSent != lastCount) rung = clampRung(restart);
    rung = direction == 0 ? 0 : next(rung, direction);
    return rung;
}
