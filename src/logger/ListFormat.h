#pragma once

#include "EventList.h"
#include "Timecode.h"

#include <optional>
#include <string>
#include <string_view>

// The formats a log is saved in: the logger's own fixed-column list, which Load EDL reads back,
// a CMX 3600 list that editing systems import, an Avid ALE and a CSV table.
enum class ListFormat { Standard, Cmx3600, Ale, Csv };

// The format a save writes: a file name ending in ".edl", ".ale" or ".csv" (in any case) writes
// CMX 3600, an ALE or a CSV whatever was chosen; every other name the chosen format.
ListFormat FormatForFile(std::string_view fileName, ListFormat chosen);

// What a list file holds, from its first line (a UTF-8 byte order mark and blanks around it
// already taken): "TITLE:" starts an EDL, "Heading" an ALE, a CSV header naming an in and an out
// column a CSV (fields separated by ',', ';' or a tab: CsvSeparator); anything else is read as an
// EDL.
enum class ListKind { Edl, Ale, Csv };
ListKind KindOfList(std::string_view firstLine);

// What saving a log in a format would write. Every format writes the events a save writes
// (EventsToWrite), with the rate's frame separator; recordStart (frames at the rate) is where a
// CMX list's record times start, 01:00:00:00 when not given. rateName is the rate a list at a rate
// KOLB does not count at said, which an ALE and a CSV write (rate then counts its frames); an EDL
// has no place for it.
struct EdlText {
    std::string bytes;
    // The edit number of an event whose source in or out holds a non-digit where a digit must be
    // (nothing is to be written then), else 0.
    int invalidEvent = 0;
};
EdlText FormatEDL(const EventList& events, const std::string& savename, const std::string& title,
                  ListFormat format = ListFormat::Standard, timecode::Rate rate = timecode::rate30,
                  std::optional<int> recordStart = std::nullopt, std::string_view rateName = {});
