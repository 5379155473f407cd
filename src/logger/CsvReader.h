#pragma once

#include "EdlReader.h"
#include "EventList.h"
#include "Timecode.h"

#include <string>
#include <string_view>
#include <vector>

// The fields kept of one record, and the length kept of one field; the rest is read and dropped.
constexpr std::size_t maxCsvFields = 256;

// Reads one CSV record as RFC 4180 writes it (quoted fields may hold commas, doubled quotes and
// line ends; records end at CR LF, LF or CR), leniently: a quote inside an unquoted field is
// kept as it is. False at the end of the input when nothing was read. lines counts the line ends
// taken; cut is set when a field or the record was longer than what is kept.
bool ReadCsvRecord(ByteSource& in, std::vector<std::string>& fields, int& lines, bool& cut);

// True when a first line is a CSV header of a list: its fields name an in and an out column
// (see TableList), e.g. "Event,Name,Tape,In,Out,Duration,Rate".
bool IsCsvHeader(std::string_view firstLine);

// Reads a CSV list into the event list: blank lines before the header are passed over, then
// each record after it is an event (TableList). The rate is the first event's "Rate", else
// 30DF when its times have ';' before the frames, else the rate in use.
EdlRead ReadCSV(ByteSource& in, EventList& events, timecode::Rate inUse);
