#pragma once

#include "EdlReader.h"
#include "EventList.h"
#include "Timecode.h"

#include <string_view>

// True when a first line starts an ALE: "Heading", in any case, blanks around it passed over.
bool IsAleHeading(std::string_view firstLine);

// Reads an Avid ALE into the event list: blank lines before "Heading" passed over, the heading's
// "FPS" (25, or 29.97 and 30 with drop-frame when the first event's times have ';' before the
// frames; a rate KOLB does not count at, as TableRateOf reads it, keeps the times as written),
// the columns on the first line after "Column" (tab-separated, found by name: TableList), then
// each line after "Data" an event. Lines end at CR LF, LF or CR.
EdlRead ReadALE(ByteSource& in, EventList& events, timecode::Rate inUse);
