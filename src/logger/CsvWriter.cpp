#include "CsvWriter.h"

#include "EdlWriter.h"

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string CsvLine(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += ',';
        line += CsvField(fields[i]);
    }
    return line + "\r\n";
}

std::string CsvText(const EventList& events, timecode::Rate rate) {
    std::string text = CsvLine({"Event", "Name", "Tape", "In", "Out", "Duration", "Rate"});
    const int count = EventsToWrite(events);
    for (int i = 0; i < count; ++i)
        text += CsvLine({EditNumberText(i + 1), events.ClipNameArray[i], events.tape,
                         timecode::WithSeparator(events.SrcInArray[i], rate),
                         timecode::WithSeparator(events.SrcOutArray[i], rate),
                         timecode::TimeText(ClipFrames(events, i, rate), rate),
                         timecode::RateText(rate)});
    return text;
}
