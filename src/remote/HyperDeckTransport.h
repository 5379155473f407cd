#pragma once

#include "DeckState.h"

#include <cstdint>
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
TransportView TransportOf(const DeckState& state);

// The percentage of a speed byte, rounded.
int SpeedPercent(std::uint8_t speedByte);
// The speed byte nearest to a percentage (its size; 1 to 5000).
std::uint8_t SpeedByte(int percent);

// The fastest speed a client may ask for, either way.
constexpr int maxSpeedPercent = 5000;
