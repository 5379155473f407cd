#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Byte-level pieces of the 9-pin protocol, as a deck sees them.
namespace ninepin {

using Bytes = std::vector<std::uint8_t>;

// Low 8 bits of the sum of the bytes.
std::uint8_t Checksum(const Bytes& bytes);
// CMD-1 (group and data count), CMD-2 and the data, with the checksum appended.
Bytes Frame(std::uint8_t group, std::uint8_t cmd2, const Bytes& data = {});
// Length of a whole frame that starts with this CMD-1 byte.
size_t FrameLength(std::uint8_t cmd1);

std::uint8_t ToBcd(int value);
int FromBcd(std::uint8_t b);

// A deck's timecode standard: 25 or 30 frames a second, and at 30 whether it is drop-frame
// (29.97: the labels 00 and 01 are skipped at the start of every minute except every tenth).
struct TcRate {
    int fps = 30;
    bool dropFrame = false;
};
// The rate named "25", "30" or "30DF"; false (rate untouched) for any other name.
bool RateOfName(const std::string& name, TcRate& rate);

// A time label: hours, minutes, seconds, frames.
struct Label {
    int h = 0, m = 0, s = 0, f = 0;
};

// Frame count of a label at a rate (by default 30 frames per second, non-drop).
int FramesOf(int h, int m, int s, int f, TcRate rate = {});
// The label of a frame count at a rate; negative counts read as 0.
Label LabelOf(int frames, TcRate rate = {});
// "HH:MM:SS:FF" for a frame count (";" before the frames at drop-frame).
std::string TimecodeText(int frames, TcRate rate = {});
// Frame count of an "HH:MM:SS:FF" (or ";FF") text at a rate; -1 when it is not one, or names a
// frame the rate does not have.
int ParseTimecode(const std::string& text, TcRate rate = {});

// Play-speed multiple for a speed byte N: 10^(N/32 - 2), N = 0x40 being play speed; 0 is still.
double SpeedOfByte(std::uint8_t n);

// NAK bits.
constexpr std::uint8_t NAK_UNDEFINED = 0x01;
constexpr std::uint8_t NAK_CHECKSUM = 0x04;
constexpr std::uint8_t NAK_TIMEOUT = 0x80;

inline Bytes Ack() {
    return {0x10, 0x01, 0x11};
}
inline Bytes Nak(std::uint8_t bits) {
    return Frame(0x1, 0x12, {bits});
}

} // namespace ninepin
