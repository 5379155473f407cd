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

// Frame count at 30 frames per second, non-drop.
int FramesOf(int h, int m, int s, int f);
// "HH:MM:SS:FF" for a frame count; nullopt-free: negative counts read as 0.
std::string TimecodeText(int frames);
// Frame count of an "HH:MM:SS:FF" text; -1 when it is not one.
int ParseTimecode(const std::string& text);

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
