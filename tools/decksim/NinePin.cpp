#include "NinePin.h"

#include <algorithm>
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

bool RateOfName(const std::string& name, TcRate& rate) {
    if (name == "25")
        rate = {25, false};
    else if (name == "30")
        rate = {30, false};
    else if (name == "30DF")
        rate = {30, true};
    else
        return false;
    return true;
}

int FramesOf(int h, int m, int s, int f, TcRate rate) {
    const int minutes = h * 60 + m;
    const int nominal = (minutes * 60 + s) * rate.fps + f;
    return rate.dropFrame ? nominal - 2 * (minutes - minutes / 10) : nominal;
}

Label LabelOf(int frames, TcRate rate) {
    int n = std::max(frames, 0);
    if (rate.dropFrame) {
        // Each ten minutes holds 17982 frames: the first minute 1800, the nine others 1798.
        const int tens = n / 17982;
        const int rest = n % 17982;
        n += 18 * tens + (rest < 1800 ? 0 : 2 * ((rest - 1800) / 1798 + 1));
    }
    const int perMinute = 60 * rate.fps;
    return Label{n / (60 * perMinute), n / perMinute % 60, n / rate.fps % 60, n % rate.fps};
}

std::string TimecodeText(int frames, TcRate rate) {
    const Label l = LabelOf(frames, rate);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d%c%02d", l.h, l.m, l.s,
                  rate.dropFrame ? ';' : ':', l.f);
    return buf;
}

int ParseTimecode(const std::string& text, TcRate rate) {
    int h, m, s, f;
    char sep, tail;
    if (std::sscanf(text.c_str(), "%2d:%2d:%2d%c%2d%c", &h, &m, &s, &sep, &f, &tail) != 5)
        return -1;
    if (sep != ':' && sep != ';') return -1;
    if (h < 0 || m < 0 || m > 59 || s < 0 || s > 59 || f < 0 || f >= rate.fps) return -1;
    if (rate.dropFrame && s == 0 && f < 2 && m % 10 != 0) return -1;
    return FramesOf(h, m, s, f, rate);
}

double SpeedOfByte(std::uint8_t n) {
    if (n == 0) return 0.0;
    return std::pow(10.0, n / 32.0 - 2.0);
}

} // namespace ninepin
