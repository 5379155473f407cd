#pragma once

#include "DeckState.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// The deck's state in the HyperDeck protocol's terms, and its speeds. A speed is a percentage
// of play speed, negative in reverse; the deck's speed byte N is 10^(N/32 - 2) times play speed.

struct TransportView {
    std::string status; // play, stopped, forward, rewind, record, shuttle, jog or preview
    int speed = 0;
    friend bool operator==(const TransportView&, const TransportView&) = default;
};

// From the status bytes: record, then a still picture (stopped), jog, shuttle, variable play,
// play, fast forward, rewind, stop (preview while E-E is on). A jog, shuttle or variable play's
// speed is that of the last such frame sent when it is of the same kind, else 0; fast winds are
// 0 too, their speed being the deck's own.
// An acknowledged transport frame that no status reading has confirmed yet wins over the
// reading: the state a client is told changes with the command. A cue in progress (status byte 4,
// bit 0) is forward or rewind by the direction bit.
TransportView TransportOf(const DeckState& state);
// What a transport frame tells the deck to do, as the protocol names it: stop, play, record, the
// winds, a jog, var or shuttle at its speed (a shuttle at 0 is a still), and a cue forward or back
// from `timecode` (the time last read); nothing for a frame that says nothing certain (a still,
// E-E, standby, eject).
std::optional<TransportView> TransportOfFrame(std::span<const std::uint8_t> frame,
                                              const std::string& timecode);

// The percentage of a speed byte, rounded.
int SpeedPercent(std::uint8_t speedByte);
// The speed byte nearest to a percentage (its size; 1 to 5000).
std::uint8_t SpeedByte(int percent);

// The fastest speed a client may ask for, either way.
constexpr int maxSpeedPercent = 5000;
