#include "ListFormat.h"

#include "AleReader.h"
#include "AleWriter.h"
#include "CmxWriter.h"
#include "CsvReader.h"
#include "CsvWriter.h"
#include "EdlWriter.h"
#include "TableList.h"

#include <algorithm>

namespace {
bool endsWith(std::string_view name, std::string_view suffix) {
    return name.size() >= suffix.size() &&
           std::equal(suffix.begin(), suffix.end(), name.end() - suffix.size(),
                      [](char lower, char c) { return AsciiLower(c) == lower; });
}
} // namespace

ListFormat FormatForFile(std::string_view fileName, ListFormat chosen) {
    if (endsWith(fileName, ".edl")) return ListFormat::Cmx3600;
    if (endsWith(fileName, ".ale")) return ListFormat::Ale;
    if (endsWith(fileName, ".csv")) return ListFormat::Csv;
    return chosen;
}

ListKind KindOfList(std::string_view firstLine) {
    // A title may hold anything, a CSV header's words too.
    if (firstLine.starts_with("TITLE:")) return ListKind::Edl;
    if (IsAleHeading(firstLine)) return ListKind::Ale;
    if (IsCsvHeader(firstLine)) return ListKind::Csv;
    return ListKind::Edl;
}

EdlText FormatEDL(const EventList& events, const std::string& savename, const std::string& title,
                  ListFormat format, timecode::Rate rate, std::optional<int> recordStart,
                  std::string_view rateName) {
    EdlText text;
    text.invalidEvent = InvalidEvent(events, rate);
    if (text.invalidEvent != 0) return text;
    switch (format) {
    case ListFormat::Standard:
        text.bytes = StandardText(events, savename, title, rate);
        break;
    case ListFormat::Cmx3600:
        text.bytes = CmxText(events, savename, rate,
                             recordStart.value_or(timecode::CountOf(1, 0, 0, 0, rate)));
        break;
    case ListFormat::Ale:
        text.bytes = AleText(events, rate, rateName);
        break;
    case ListFormat::Csv:
        text.bytes = CsvText(events, rate, rateName);
        break;
    }
    return text;
}
