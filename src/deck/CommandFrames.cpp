#include "CommandFrames.h"

#include "CueText.h"

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
    const auto time = ReadCueText(tc);
    if (!time) return std::nullopt;
    auto bcd = [](int v) { return static_cast<std::uint8_t>(v / 10 * 16 + v % 10); };
    CommandFrames::Frame<7> cue = CommandFrames::bscue;
    cue[2] = bcd(time->frames);
    cue[3] = bcd(time->seconds);
    cue[4] = bcd(time->minutes);
    cue[5] = bcd(time->hours);
    unsigned sum = 0;
    for (size_t i = 0; i < 6; ++i) sum += cue[i];
    cue[6] = static_cast<std::uint8_t>(sum & 0xFF);
    return cue;
}
