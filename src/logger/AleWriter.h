#pragma once

#include "EventList.h"
#include "Timecode.h"

#include <string>

// A log as an Avid ALE, lines ending in CR LF: the Heading (FIELD_DELIM TABS, VIDEO_FORMAT NTSC at
// 30 and 30DF and PAL at 25, AUDIO_FORMAT 48khz, FPS 29.97 or 25), the Column line
// "Name Tape Start End Duration Tracks", then under Data a line for each event a save writes
// (EventsToWrite), fields apart by tabs: its whole name, the log's tape, in and out as logged
// with the rate's frame separator, the duration at the rate (00:00:00:00 for an event with a
// problem) and VA1A2. Tabs, CR and LF in a name or the tape are written as blanks.
std::string AleText(const EventList& events, timecode::Rate rate);
