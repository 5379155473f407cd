#pragma once

#include "EventList.h"
#include "Timecode.h"

#include <string>
#include <vector>

// What every list a save writes (the logger's own layout, CMX 3600, ALE, CSV) says of the
// events: which of them are written, their problems, their times for other systems and their
// record times. The writers only render their format from this.

// The events a save writes: event 1 (always), then every one up to the last event that holds
// anything a fresh log's does not (a time, a name, notes or the good-take mark: events in a gap,
// a last one with only its in, one named ahead, are written too: nothing logged is left out of a
// save). Returns the count (1..100).
int EventsToWrite(const EventList& events);

// One problem of an event that is to be written, for the question before saving.
struct EventProblem {
    int number;       // the event's number, 1..100
    std::string text; // one line naming the event and what is wrong, e.g. "Event 003: no in point"
};
// The problems of the events a save writes: a zero in or out (whatever its separators) is
// missing, the out must count after the in at the rate, and both must be timecode at the rate.
// Each text also says how a CMX 3600 list or an ALE writes the event:
// "Event 003: no out point (CMX 3600 and ALE: 00:00:10:00 to 00:00:10:00, no length)".
std::vector<EventProblem> CheckEvents(const EventList& events, timecode::Rate rate);

// The edit number of the first event a save writes whose source in or out holds a non-digit
// where a digit must be (nothing is to be written then), else 0.
int InvalidEvent(const EventList& events, timecode::Rate rate);
// The frames event index i adds to the record times: out less in, 0 for an event with a problem
// (CheckEvents).
int ClipFrames(const EventList& events, int i, timecode::Rate rate);
// The source in and out that a list for other systems (CMX 3600, ALE) writes for event index i,
// with the rate's separators. An event with no clip (CheckEvents) is written as one of no
// length, so that readers which refuse a missing out or an out before its in take the list: at
// its in (no out, or an out not after the in), at its out (no in), at zero (neither). Times that
// are not timecode at the rate are written as held. Read back, a clip of no length is an event
// without an out.
struct ListTimes {
    std::string in, out;
    bool operator==(const ListTimes&) const = default;
};
ListTimes TimesForOtherSystems(const EventList& events, int i, timecode::Rate rate);
// The record time frames after recordIn, wrapping at 24 hours.
int RecordTimeAfter(int recordIn, int frames, timecode::Rate rate);
// A text for one line of a list: CR and LF become blanks.
std::string OneLine(std::string text);
// An edit number with at least 3 digits: "007", "100".
std::string EditNumberText(int number);

// One event as the lists write it.
struct ClipToWrite {
    int number = 0; // the edit number, 1..100
    // One line each (OneLine); tabs are left to the formats that part fields with them.
    std::string name, tape, notes;
    bool good = false;
    // Source in and out as logged, with the rate's frame separator.
    std::string in, out;
    ListTimes forOtherSystems; // TimesForOtherSystems
    int frames = 0;            // ClipFrames
    // Record in and out, frames at the rate: they run on without gaps from the record start, an
    // event with a problem adding none, wrapping at 24 hours.
    int recordIn = 0, recordOut = 0;
    bool operator==(const ClipToWrite&) const = default;
};
// The events a save writes (EventsToWrite), in order, record times from recordStart.
std::vector<ClipToWrite> ClipsToWrite(const EventList& events, timecode::Rate rate,
                                      int recordStart);
