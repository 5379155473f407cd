#pragma once

#include "CommandTarget.h"
#include "EventList.h"

#include <functional>
#include <string>

// Reviews of logged clips on the deck. Both run on the operator-action thread.

// Hands event index k to the main window's in and out points, writes "Review EDL Clip " and its
// number, and reviews it.
void ReviewEvent(CommandTarget& vcr, const EventList& events, int k);

// Where and why RevALL ended.
struct RevAllEnd {
    enum class Why {
        NoOut,   // event `at` has no out point
        Last,    // events 1 to 99 were reviewed
        Stopped, // the operator stopped it after event `at`
        Invalid, // event `at`'s times are not timecode
        Error,   // an error at event `at`
    };
    Why why = Why::NoOut;
    int at = 0;         // the event's index
    int reviewed = 0;   // clips reviewed
    int clipsAfter = 0; // NoOut: events after it that have an out, not reviewed
    bool operator==(const RevAllEnd&) const = default;
};
// One line for the operator, e.g. "RevALL ended at event 004: it has no out point. 3 clips
// reviewed; 2 clips after it were not: review each with R or its number."
std::string RevAllEndText(const RevAllEnd& end);

// Reviews events 1 to 99 one after another, each only once the one before has stopped the deck,
// up to the first with no source out (a zero time, whatever its separators). The operator's stop
// ends the sequence after the clip in progress; a clip whose times are not timecode ends it too.
// The script flag is set for the whole sequence and cleared whatever ends it. onClip is told each
// event's index as its review starts.
RevAllEnd RevAll(CommandTarget& vcr, const EventList& events,
                 const std::function<void(int)>& onClip = {});
