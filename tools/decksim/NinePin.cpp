#include "NinePin.h"

#include <cmath>
#include <cstdio>

namespace ninepin {

std::uint8_t Checksum(const Bytes& bytes) {
    unsigned sum = 0;
    for (auto b : bytes) sum += b;
    return static_cast<std::uint8_t>(sum & 0xFF);
}

Bytes Frame(std::uint8_t group, std::uint8_t cmd2, const Bytes& data) {
    Bytes f;
    f.reserve(data.size() + 3);
    f.push_back(static_cast<std::uint8_t>((group << 4) | (data.size() & 0x0F)));
    f.push_back(cmd2);
    for (auto b : data) f.push_back(b);
    f.push_back(Checksum(f));
    return f;
}

size_t FrameLength(std::uint8_t cmd1) {
    return 3u + (cmd1 & 0x0Fu);
}

std::uint8_t ToBcd(int value) {
    return static_cast<std::uint8_t>(((value / 10) << 4) | (value % 10));
}

int FromBcd(std::uint8_t b) {
    return (b >> 4) * 10 + (b & 0x0F);
}

int FramesOf(int h, int m, int s, int f) {
    return h * 108000 + m * 1800 + s * 30 + f;
}

std::string TimecodeText(int frames) {
    if (frames < 0) frames = 0;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d:%02d", frames / 108000, frames / 1800 % 60,
                  frames / 30 % 60, frames % 30);
    return buf;
}

int ParseTimecode(const std::string& text) {
    int h, m, s, f;
    char tail;
    if (std::sscanf(text.c_str(), "%2d:%2d:%2d:%2d%c", &h, &m, &s, &f, &tail) != 4) return -1;
    if (h < 0 || m < 0 || m > 59 || s < 0 || s > 59 || f < 0 || f > 29) return -1;
    return FramesOf(h, m, s, f);
}

double SpeedOfByte(std::uint8_t n) {
    if (n == 0) return 0.0;
    return std::pow(10.0, n / 32.0 - 2.0);
}

} // namespace ninepin
