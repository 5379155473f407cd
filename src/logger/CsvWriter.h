#pragma once

#include "EventList.h"
#include "Timecode.h"

#include <string>
#include <string_view>
#include <vector>

// CSV as RFC 4180 writes it: fields with a comma, quote, CR or LF quoted, quotes doubled, lines
// ending with CR LF; UTF-8, no byte order mark.

// One field.
std::string CsvField(std::string_view text);
// The fields joined with ',' and ended with "\r\n".
std::string CsvLine(const std::vector<std::string>& fields);

// A log as a CSV table: the header "Event,Name,Tape,In,Out,Duration,Rate,Notes,Good", then a line
// for each event a save writes (ClipsToWrite): its number with 3 digits, its whole name, its
// tape, in and out as logged with the rate's frame separator, the duration at the rate
// (00:00:00:00 for an event with a problem, which adds no time), the rate ("30", "25" or "30DF"),
// its notes, and "Yes" for a good take (else nothing). CR and LF in texts are written as blanks.
// rateName, when given, is the Rate of a list at a rate KOLB does not count at ("23.976"); rate
// then counts its frames.
std::string CsvText(const EventList& events, timecode::Rate rate, std::string_view rateName = {});
