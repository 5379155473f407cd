#pragma once

#include "Timecode.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Decoding of the two sense replies: the current time and the status.

// Seconds and minutes: both nibbles are digits. Writes the two digits into tc at pos and pos+1
// and returns the value; returns -1 and writes nothing when a nibble is above 9.
int TCBCD(std::uint8_t b, int pos, std::string& tc);
// Frames and hours: tens from bits 4 and 5 (flag bits 6 and 7 ignored), units as the low nibble
// modulo 10. Writes the two digits and returns the value.
int TCFBCD(std::uint8_t b, int pos, std::string& tc);

struct TimeReading {
    std::string text;           // "HH:MM:SS:FF", or "HH:MM:SS;FF" at drop-frame
    int frames;                 // the frame count at the rate
    bool dropFrameFlag = false; // the deck's DF flag: bit 6 of the frames byte
};

// True when the reply holds a whole frame (its data count is the low nibble of byte 0) whose
// last byte is the low 8 bits of the sum of the bytes before it. A reply that fails this is
// treated as no reply: one noisy byte must not move a position or set a flag.
bool ReplyChecksumOK(std::span<const std::uint8_t> reply, int count);

// A status reply: starts 79, at least 8 bytes, checksum right.
bool IsStatusReply(std::span<const std::uint8_t> reply, int count);

// A time-sense reply: exactly 7 bytes starting 74, checksum right. A reply with a seconds or
// minutes nibble above 9 is refused whole.
// The time is counted at the rate in use.
std::optional<TimeReading> DecodeTimeReply(std::span<const std::uint8_t> reply, int count,
                                           timecode::Rate rate = timecode::rate30);

// The line standard a device type reply (12 11 d1 d2) names by the low nibble of d1: 0 is
// 525/60, 1 is 625/50; any other is a type this controller does not know. Nothing for a reply
// that is not a whole device type reply.
enum class DeckStandard { Lines525, Lines625, NotKnown };
std::optional<DeckStandard> DecodeDeviceType(std::span<const std::uint8_t> reply, int count);

// The window elements a status reply marks.
enum class Mark { Play, Record, Fwd, Rew, Stop, Sbyon, Shuttle, JogF, JogR };

struct StatusReading {
    std::string text;
    bool cueup = false;
    bool preroll = false;
    bool local = false;          // status byte 0, bit 0: the deck takes no remote control
    bool noTape = false;         // status byte 0, bit 5: cassette out
    bool stopped = false;        // status byte 1, bit 5
    bool still = false;          // status byte 2, bit 1: a still picture (paused, or cued up)
    bool playingForward = false; // status byte 1, bit 0, without the reverse bit (byte 2, bit 2)
    std::vector<Mark> marks;
};

// A status reply (79 20, status bytes from index 2). During a clip review only the cue-up and
// preroll words are given. The LOCAL and cassette-out bits are read but give no words: the
// controller shows those states in place of the words.
StatusReading ExtractStatus(std::span<const std::uint8_t> reply, bool reviewclip);
