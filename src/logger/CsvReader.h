#pragma once

#include "EdlReader.h"
#include "EventList.h"
#include "Timecode.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The fields kept of one record, and the length kept of one field; the rest is read and dropped.
constexpr std::size_t maxCsvFields = 256;

// Reads one CSV record as RFC 4180 writes it with the given separator (quoted fields may hold
// separators, doubled quotes and line ends; records end at CR LF, LF or CR), leniently: a quote
// inside an unquoted field is kept as it is. False at the end of the input when nothing was
// read. lines counts the line ends taken; cut is set when a field or the record was longer than
// what is kept.
bool ReadCsvRecord(ByteSource& in, std::vector<std::string>& fields, int& lines, bool& cut,
                   char separator = ',');

// The separator of a CSV header of a list: the first of ',', ';' and tab that splits the line
// into columns naming an in and an out (TableColumnsOf), as "Event,Name,Tape,In,Out" or a
// European spreadsheet's "Name;Start;End" do; nothing when none does.
std::optional<char> CsvSeparator(std::string_view header);

// True when a first line is a CSV header of a list: it has a separator (CsvSeparator).
bool IsCsvHeader(std::string_view firstLine);

// Reads a CSV list into the event list: blank lines before the header are passed over, the
// header's line says the separator (',' when it says none), then each record after it is an
// event (TableList). The rate is the first event's "Rate", else 30DF when its times have ';'
// before the frames, else the rate in use.
EdlRead ReadCSV(ByteSource& in, EventList& events, timecode::Rate inUse);
