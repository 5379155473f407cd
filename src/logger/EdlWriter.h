#pragma once

#include "EventList.h"
#include "Timecode.h"

#include <string>
#include <vector>

// The events a save writes: event 1 (always), then every one up to the last event that holds
// anything a fresh log's does not (a time, or a name: events in a gap, a last one with only its
// in, one named ahead, are written too: nothing logged is left out of a save). Returns the count
// (1..100). A save with a tape name writes it as a "* TAPE: " line after the header.
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
};
ListTimes TimesForOtherSystems(const EventList& events, int i, timecode::Rate rate);
// The record time frames after recordIn, wrapping at 24 hours.
int RecordTimeAfter(int recordIn, int frames, timecode::Rate rate);
// A text for one line of a list: CR and LF become blanks.
std::string OneLine(std::string text);

// The logger's own layout, every line ending in a blank and CR LF: "TITLE: " with the file's
// name, "REM Made by " with the product's title, the FCM line, "* TAPE: " when the log has a
// tape, then the events. Source times are written with the rate's frame separator. Record times
// run on without gaps from 01:00:00:00, counted at the rate (drop-frame: "FCM: DROP FRAME" and
// ";" before the frames) and wrapping at 24 hours; an event with a problem adds no record time.
std::string StandardText(const EventList& events, const std::string& savename,
                         const std::string& title, timecode::Rate rate);

// The autosave file's bytes: the logger's own layout's header (title "KOLB_Autosave.edl"), a
// line "* TAPE: <tape>" when the tape is not empty, then every event from 1 to the last touched
// one (at least event 1), each followed by "* FROM CLIP NAME: <whole name>" (CR and LF in a name
// or the tape written as blanks). Source times are written as they are held, so that LoadEDL
// gives back the same list, tape included, and its rate.
std::string AutosaveText(const EventList& events, const std::string& title, timecode::Rate rate);

// The pieces of the logger's own layout.
std::string EditNumberText(int number);
// A name cut to 6 characters ("S" when empty) and padded with at least one space to 6 characters
// or more; characters, not bytes, are counted. A colon becomes '_' and CR or LF a blank: Load EDL
// finds the times from the line's first colon and reads a line to its end, so either would lose
// the whole event when the list is loaded again.
std::string ReelText(const std::string& name);
