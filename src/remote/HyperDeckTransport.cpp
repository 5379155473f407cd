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

std::optional<TransportView> TransportOfFrame(std::span<const std::uint8_t> frame,
                                              const std::string& timecode) {
    if (frame.size() < 2 || (frame[0] & 0xF0) != 0x20) return std::nullopt;
    const std::uint8_t cmd1 = frame[0], cmd2 = frame[1];
    if (cmd1 == 0x20) {
        switch (cmd2) {
        case 0x00:
            return TransportView{"stopped", 0};
        case 0x01:
            return TransportView{"play", 100};
        case 0x02:
            return TransportView{"record", 100};
        case 0x10:
            return TransportView{"forward", 0};
        case 0x20:
            return TransportView{"rewind", 0};
        default:
            return std::nullopt;
        }
    }
    if (cmd1 == 0x24 && cmd2 == 0x31 && frame.size() >= 6) {
        // A cue winds towards its point: forward or back from the time last read.
        const auto bcd = [](std::uint8_t b) { return (b >> 4) * 10 + (b & 0x0F); };
        // HHMMSSFF as one number orders times as the text's digits do.
        const int target =
            ((bcd(frame[5] & 0x3F) * 100 + bcd(frame[4] & 0x7F)) * 100 + bcd(frame[3] & 0x7F)) *
                100 +
            bcd(frame[2] & 0x3F);
        int now = 0;
        for (const char c : timecode)
            if (c >= '0' && c <= '9') now = now * 10 + (c - '0');
        if (target == now) return TransportView{"stopped", 0};
        return TransportView{target > now ? "forward" : "rewind", 0};
    }
    const int kind = cmd2 & 0x0F, direction = cmd2 >> 4;
    if (cmd1 != 0x21 || frame.size() < 3 || (direction != 1 && direction != 2)) return std::nullopt;
    const int speed = (direction == 2 ? -1 : 1) * SpeedPercent(frame[2]);
    switch (kind) {
    case jogKind:
        return TransportView{"jog", speed};
    case varKind:
        return TransportView{"play", speed};
    case shuttleKind:
        return frame[2] == 0 ? TransportView{"stopped", 0} : TransportView{"shuttle", speed};
    default:
        return std::nullopt;
    }
}

TransportView TransportOf(const DeckState& state) {
    if (state.noTape) return {"stopped", 0};
    if (auto told = TransportOfFrame(state.acked, state.timecode)) return *told;
    if (state.status.size() < 3) return {"stopped", 0};
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
    // A cue in progress winds the way the direction bit says.
    if (state.status.size() > 4 && (state.status[4] & 0x01))
        return {reverse ? "rewind" : "forward", 0};
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
