#pragma once

#include "DeckSim.h"

#include <string>

// One line of the simulator's control language, applied to a running deck:
//   local on|off, eject, load, time ltc|vitc|timer1, paced on|off, no-reply on|off, late MS,
//   delay MS, nak-every N (0: never), garbage N, drop-byte on|off, frozen on|off, speed F,
//   jump FRAMES (the tape clock leaps, negative: back), gone, back.
// Blanks around the line and between its words do not count. Returns what to tell the person:
// "ok <line>" once applied, "error: <what is wrong>: <line>" for a line that changed nothing,
// and nothing for a blank line.
std::string ApplyControl(DeckSim& sim, const std::string& line);
