#pragma once

#include "EventList.h"
#include "Timecode.h"

#include <string>
#include <string_view>

// A log as an Avid ALE, lines ending in CR LF: the Heading (FIELD_DELIM TABS, VIDEO_FORMAT NTSC at
// 30 and 30DF and PAL at 25, AUDIO_FORMAT 48khz, FPS 29.97 or 25), the Column line
// "Name Tape Start End Duration Tracks Comments Good", then under Data a line for each event a
// save writes (ClipsToWrite), fields apart by tabs: its whole name, its tape, in and out as
// logged with the rate's frame separator, the duration at the rate (00:00:00:00 for an event
// with a problem), VA1A2, its notes, and "Yes" for a good take (else nothing). Tabs, CR and LF
// in texts are written as blanks. rateName, when given, is the rate a list at a rate KOLB does not
// count at said ("23.976", "50"): the FPS then, with VIDEO_FORMAT 1080, and rate counts its frames.
std::string AleText(const EventList& events, timecode::Rate rate, std::string_view rateName = {});
