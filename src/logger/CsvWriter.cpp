#include "CsvWriter.h"

#include "ClipsToWrite.h"

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

std::string CsvText(const EventList& events, timecode::Rate rate, std::string_view rateName) {
    const std::string rateText =
        rateName.empty() ? timecode::RateText(rate) : std::string(rateName);
    std::string text =
        CsvLine({"Event", "Name", "Tape", "In", "Out", "Duration", "Rate", "Notes", "Good"});
    for (const ClipToWrite& clip : ClipsToWrite(events, rate, 0))
        text += CsvLine({EditNumberText(clip.number), clip.name, clip.tape, clip.in, clip.out,
                         timecode::TimeText(clip.frames, rate), rateText, clip.notes,
                         clip.good ? "Yes" : ""});
    return text;
}
