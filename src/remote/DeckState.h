#pragma once

#include "Timecode.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// What the controller knows of the deck at one moment, as the remote front ends see it: the
// poller's latest readings and the last frames sent.
struct DeckState {
    std::vector<std::uint8_t> status;     // the latest status reading, from byte 0; none before it
    std::string timecode = "00:00:00:00"; // the last time read
    timecode::Rate rate = timecode::rate30;
    bool local = false;  // the deck takes no remote control
    bool noTape = false; // the deck reports no cassette
    bool ee = false;     // E-E was switched on, and no jog or E-E off has ended it since
    // The last variable-speed frame sent (jog, var or shuttle): its command bytes and speed
    // byte; zeros before the first.
    std::array<std::uint8_t, 3> motion{};
    // The last transport frame the deck acknowledged after the status now held was asked for:
    // what the deck was told to do and no reading has confirmed yet; empty when none.
    std::vector<std::uint8_t> acked;
    // The logger's clip under the playhead (its id, 1 up), 0 for none; and how the clip play
    // under way plays it: stopping at its out point, again from its in each time it ends.
    int clipId = 0;
    bool singleClip = false;
    bool loop = false;
};

// A clip of the open logger as the HyperDeck front end lists it: an event with an in and an
// out at the rate in use.
struct LoggedClip {
    std::string name;
    std::string in; // as logged
    int inFrames = 0;
    int outFrames = 0;
    bool operator==(const LoggedClip&) const = default;
};
