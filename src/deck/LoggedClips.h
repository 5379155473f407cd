#pragma once

#include "DeckState.h"
#include "EventList.h"

#include <vector>

// The clips of a log as the HyperDeck front end lists them: every event with an in and an out
// after it at the rate, in the log's order. A name is one line: control characters become
// blanks, and a name with nothing else is the event's number ("Event 003").
std::vector<LoggedClip> LoggedClipsOf(const EventList& events, timecode::Rate rate);
