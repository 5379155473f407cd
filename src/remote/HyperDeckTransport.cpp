#include "HyperDeckTransport.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// The kinds of variable-speed frame: the low nibble of their second byte.
constexpr std::uint8_t jogKind = 0x1, varKind = 0x2, shuttleKind = 0x3;

// The last variable-speed frame's speed when it was of this kind, signed by its direction.
int MotionSpeed(const DeckState& state, std::uint8_t kind) {
    const auto& [cmd1, cmd2, speed] = state.motion;
    if (cmd1 != 0x21 || (cmd2 & 0x0F) != kind) return 0;
    const int percent = SpeedPercent(speed);
    return (cmd2 & 0xF0) == 0x20 ? -percent : percent;
}

} // namespace

TransportView TransportOf(const DeckState& state) {
    if (state.noTape || state.status.size() < 3) return {"stopped", 0};
    const std::uint8_t b1 = state.status[1];
    const std::uint8_t b2 = state.status[2];
    const bool reverse = b2 & 0x04;
    if (b1 & 0x02) return {"record", 100};
    if (b2 & 0x02) return {"stopped", 0};
    if (b2 & 0x10) return {"jog", MotionSpeed(state, jogKind)};
    if (b2 & 0x20) return {"shuttle", MotionSpeed(state, shuttleKind)};
    if (b2 & 0x08) return {"play", MotionSpeed(state, varKind)};
    if (b1 & 0x01) return {"play", reverse ? -100 : 100};
    if (b1 & 0x04) return {"forward", 0};
    if (b1 & 0x08) return {"rewind", 0};
    if ((b1 & 0x20) && state.ee) return {"preview", 0};
    return {"stopped", 0};
}

int SpeedPercent(std::uint8_t speedByte) {
    return static_cast<int>(std::lround(100.0 * std::pow(10.0, speedByte / 32.0 - 2.0)));
}

std::uint8_t SpeedByte(int percent) {
    const int size = std::clamp(std::abs(percent), 1, maxSpeedPercent);
    return static_cast<std::uint8_t>(std::lround(32.0 * std::log10(static_cast<double>(size))));
}
