#pragma once

#include "EventList.h"
#include "Timecode.h"

#include <string>

// The two layouts an event list is saved in: the logger's own fixed-column list, which Load EDL
// reads back, and a CMX 3600 list that editing systems import.
enum class EdlLayout { Standard, Cmx3600 };

// What saving an event list would write, every line ending in CR LF. Record times run on
// without gaps from 01:00:00:00, counted at the rate (drop-frame: "FCM: DROP FRAME" and ";"
// before the record times' frames). Events are written from event 1 (always) up to the one before
// the first later event whose source out is "00:00:00:00", at most all 100.
struct EdlText {
    std::string bytes;
    // The edit number of an event whose source in or out is not a timecode (nothing is to be
    // written then), else 0.
    int invalidEvent = 0;
};

EdlText FormatEDL(const EventList& events, const std::string& savename, const std::string& title,
                  EdlLayout layout = EdlLayout::Standard, timecode::Rate rate = timecode::rate30);

// The pieces of the logger's own layout.
std::string EditNumberText(int number);
// A name cut to 6 characters ("S" when empty) and padded with at least one space to 6 or more.
// A colon becomes '_': Load EDL finds the times from the line's first colon, so a colon in the
// reel would lose the whole event when the list is loaded again.
std::string ReelText(const std::string& name);
// A CMX 3600 reel: at most 8 letters, digits, '_' or '-' ("AX" when empty), padded to 8.
std::string CmxReelText(const std::string& name);
