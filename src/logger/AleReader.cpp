#include "AleReader.h"

#include "TableList.h"
#include "Utils.h"

#include <algorithm>
#include <optional>

namespace {

std::vector<std::string> tabFields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t at = 0;
    for (std::size_t tab; (tab = line.find('\t', at)) != std::string::npos; at = tab + 1)
        fields.push_back(line.substr(at, tab - at));
    fields.push_back(line.substr(at));
    return fields;
}

bool isWord(std::string_view line, std::string_view word) {
    const std::string_view text = Trimmed(line);
    return std::equal(text.begin(), text.end(), word.begin(), word.end(),
                      [](char a, char b) { return AsciiLower(a) == AsciiLower(b); });
}

} // namespace

bool IsAleHeading(std::string_view firstLine) {
    return isWord(firstLine, "Heading");
}

EdlRead ReadALE(ByteSource& in, EventList& events, timecode::Rate inUse) {
    enum class Part { Before, Heading, Columns, Columned, Data } part = Part::Before;
    std::string fps;
    std::optional<TableList> table;
    std::string line;
    bool cut = false;
    int lineNumber = 0;
    int cutLines = 0;
    while (ReadLine(in, line, maxLineLength, &cut)) {
        ++lineNumber;
        if (cut && cutLines++ < maxSkipReports)
            Utils::OutLine("ALE line " + std::to_string(lineNumber) + " is longer than " +
                           std::to_string(maxLineLength) +
                           " characters: the rest of it was not read");
        if (part == Part::Data) {
            if (!table->row(tabFields(line), lineNumber)) break;
            continue;
        }
        if (Trimmed(line).empty()) continue;
        if (part == Part::Before) {
            part = Part::Heading;
            continue; // "Heading", as KindOfList found
        }
        if (part == Part::Columns) {
            table.emplace(tabFields(line), events, "ALE", fps, inUse);
            part = Part::Columned;
            continue;
        }
        if (part == Part::Columned) {
            if (isWord(line, "Data")) part = Part::Data;
            continue;
        }
        if (isWord(line, "Column")) {
            part = Part::Columns;
        } else if (isWord(line, "Data")) {
            break; // data with no columns: nothing can be read
        } else if (part == Part::Heading) {
            // A name and its value a line, or (as some tools write) all the pairs on one line.
            const auto fields = tabFields(line);
            for (std::size_t i = 0; i + 1 < fields.size(); i += 2)
                if (isWord(fields[i], "FPS")) fps = fields[i + 1];
        }
    }
    EdlRead read;
    if (table) {
        read = table->finish();
    } else if (part == Part::Before) {
        read.outcome = EdlRead::Outcome::Empty;
    }
    read.cutLines = cutLines;
    return read;
}
