#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

// The 9-pin command table: every frame the controller sends, checksums included. Frames whose
// data change at run time are built per call from these, so two threads never mix one frame.
struct CommandFrames {
    template <size_t N> using Frame = std::array<std::uint8_t, N>;

    static constexpr Frame<3> bsplay{0x20, 0x01, 0x21};
    static constexpr Frame<4> bspause{0x21, 0x13, 0x00, 0x34};
    static constexpr Frame<3> bsrecord{0x20, 0x02, 0x22};
    static constexpr Frame<3> bsstop{0x20, 0x00, 0x20};
    static constexpr Frame<3> bsforward{0x20, 0x10, 0x30};
    static constexpr Frame<3> bsrewind{0x20, 0x20, 0x40};
    static constexpr Frame<4> bsslowfifth{0x21, 0x12, 0x2D, 0x60};
    static constexpr Frame<4> bsslowthird{0x21, 0x12, 0x30, 0x63};
    static constexpr Frame<4> bsslowhalf{0x21, 0x12, 0x36, 0x69};
    static constexpr Frame<4> bsfasttwo{0x21, 0x13, 0x4A, 0x7E};
    // Speed byte 56: about five times play speed by the rule speed = 10^(N/32 - 2).
    static constexpr Frame<4> bsfastfive{0x21, 0x13, 0x56, 0x8A};
    static constexpr Frame<4> bsjogf{0x21, 0x11, 0x10, 0x42};
    static constexpr Frame<4> bsjogr{0x21, 0x21, 0x10, 0x52};
    static constexpr Frame<4> bsshutfwd{0x21, 0x13, 0x00, 0x34};
    static constexpr Frame<4> bsshutrev{0x21, 0x23, 0x00, 0x44};
    static constexpr Frame<3> bssbyon{0x20, 0x05, 0x25};
    static constexpr Frame<3> bssbyoff{0x20, 0x04, 0x24};
    static constexpr Frame<3> bseeon{0x20, 0x61, 0x81};
    static constexpr Frame<3> bseeoff{0x20, 0x60, 0x80};
    static constexpr Frame<7> bscue{0x24, 0x31, 0x00, 0x01, 0x01, 0x00, 0x57};
    static constexpr Frame<4> bsgettc{0x61, 0x0C, 0x03, 0x70};
    static constexpr Frame<4> bsstatus{0x61, 0x20, 0x09, 0x8A};
    static constexpr Frame<4> bssettimemode{0x41, 0x36, 0x00, 0x77};
    static constexpr Frame<3> bsdevicetype{0x00, 0x11, 0x11};
    static constexpr Frame<6> bssetbvw75{0xF3, 0x02, 0xD0, 0x00, 0x10, 0xD5};
    static constexpr Frame<6> bssetcompression{0xF3, 0x02, 0xA1, 0x05, 0x00, 0x00};
    static constexpr Frame<6> bssetvideomode{0xF3, 0x02, 0x10, 0x02, 0x00, 0x00};
    static constexpr Frame<6> bssetvideotype{0xF3, 0x02, 0x40, 0x00, 0x00, 0x00};
    static constexpr Frame<6> bssetlooprecmode{0xF3, 0x02, 0x62, 0x00, 0x00, 0x00};
    static constexpr Frame<6> bssetloopplaymode{0xF3, 0x02, 0x70, 0x00, 0x00, 0x00};
    // Held in the table; no operation sends them.
    static constexpr Frame<3> bseject{0x20, 0x0F, 0x2F};
    static constexpr Frame<7> bssetpreroll{0x44, 0x31, 0x00, 0x05, 0x00, 0x00, 0x7A};
    static constexpr Frame<3> bsvidrefdisableon{0x40, 0x48, 0x88};
    static constexpr Frame<3> bsvidrefdisableoff{0x40, 0x49, 0x89};
    static constexpr Frame<6> bsformatdisk{0xF3, 0x05, 0x40, 0x00, 0x00, 0x00};
};

// Byte 5 of a six-byte frame := low 8 bits of the sum of bytes 0 to 4.
void MakeCSUM(std::span<std::uint8_t, 6> frame);

// Shuttle forward (21 13 ss cs) or reverse (21 23 ss cs) at a speed byte.
CommandFrames::Frame<4> ShuttleFrame(bool reverse, int speed);

// A recorder set-up frame with its value in byte 3 and a fresh checksum.
CommandFrames::Frame<6> SetupFrame(const CommandFrames::Frame<6>& base, int value);

// The cue frame for a timecode text: the digits at 0-1, 3-4, 6-7 and 9-10 as BCD bytes in the
// order frames, seconds, minutes, hours. Nothing when the text is shorter than 11 characters or
// has a non-digit at a digit position.
std::optional<CommandFrames::Frame<7>> CueFrame(const std::string& timecode);
