#pragma once

#include "EventList.h"
#include "Timecode.h"

#include <string>
#include <vector>

// The two layouts an event list is saved in: the logger's own fixed-column list, which Load EDL
// reads back, and a CMX 3600 list that editing systems import.
enum class EdlLayout { Standard, Cmx3600 };

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
// The problems of the events a save writes: an in of "00:00:00:00" is missing, an out of
// "00:00:00:00" is missing, the out must count after the in at the rate, and both must be
// timecode at the rate.
std::vector<EventProblem> CheckEvents(const EventList& events, timecode::Rate rate);

// What saving an event list would write, every line ending in CR LF. Source times are written
// with the rate's frame separator. Record times run on without gaps from 01:00:00:00, counted at
// the rate (drop-frame: "FCM: DROP FRAME" and ";" before the frames) and wrapping at 24 hours; an
// event with a problem (CheckEvents) adds no record time. Events written: EventsToWrite.
struct EdlText {
    std::string bytes;
    // The edit number of an event whose source in or out holds a non-digit where a digit must be
    // (nothing is to be written then), else 0.
    int invalidEvent = 0;
};

EdlText FormatEDL(const EventList& events, const std::string& savename, const std::string& title,
                  EdlLayout layout = EdlLayout::Standard, timecode::Rate rate = timecode::rate30);

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
// A CMX 3600 reel: at most 8 letters, digits, '_' or '-' ("AX" when empty), padded to 8; any
// other character becomes one '_'.
std::string CmxReelText(const std::string& name);
