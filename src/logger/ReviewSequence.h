#pragma once

#include "CommandTarget.h"
#include "EventList.h"

// Reviews of logged clips on the deck. Both run on the operator-action thread.

// Hands event index k to the main window's in and out points, writes "Review EDL Clip " and its
// number, and reviews it.
void ReviewEvent(CommandTarget& vcr, const EventList& events, int k);

// Reviews events 1 to 99 one after another, each only once the one before has stopped the deck,
// up to the first with no source out (a zero time, whatever its separators). The operator's stop
// ends the sequence after the clip in progress; a clip whose times are not timecode ends it too.
// The script flag is set for the whole sequence and cleared whatever ends it.
void RevAll(CommandTarget& vcr, const EventList& events);
