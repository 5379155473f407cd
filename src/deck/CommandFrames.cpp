#include "CommandFrames.h"

void MakeCSUM(std::span<std::uint8_t, 6> frame) {
    frame[5] =
        static_cast<std::uint8_t>((frame[0] + frame[1] + frame[2] + frame[3] + frame[4]) & 0xFF);
}

CommandFrames::Frame<4> ShuttleFrame(bool reverse, int speed) {
    CommandFrames::Frame<4> f = reverse ? CommandFrames::bsshutrev : CommandFrames::bsshutfwd;
    f[2] = static_cast<std::uint8_t>(speed & 0xFF);
    f[3] = static_cast<std::uint8_t>((speed + (reverse ? 0x44 : 0x34)) & 0xFF);
    return f;
}

CommandFrames::Frame<6> SetupFrame(const CommandFrames::Frame<6>& base, int value) {
    CommandFrames::Frame<6> f = base;
    f[3] = static_cast<std::uint8_t>(value & 0xFF);
    MakeCSUM(f);
    return f;
}

std::optional<CommandFrames::Frame<7>> CueFrame(const std::string& tc) {
    if (tc.size() < 11) return std::nullopt;
    auto pair = [&](size_t at) -> int {
        const char t = tc[at], u = tc[at + 1];
        if (t < '0' || t > '9' || u < '0' || u > '9') return -1;
        return (t - '0') * 16 + (u - '0');
    };
    const int h = pair(0), m = pair(3), s = pair(6), f = pair(9);
    if (h < 0 || m < 0 || s < 0 || f < 0) return std::nullopt;
    CommandFrames::Frame<7> cue = CommandFrames::bscue;
    cue[2] = static_cast<std::uint8_t>(f);
    cue[3] = static_cast<std::uint8_t>(s);
    cue[4] = static_cast<std::uint8_t>(m);
    cue[5] = static_cast<std::uint8_t>(h);
    unsigned sum = 0;
    for (int i = 0; i < 6; ++i) sum += cue[static_cast<size_t>(i)];
    cue[6] = static_cast<std::uint8_t>(sum & 0xFF);
    return cue;
}
