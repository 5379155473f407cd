#include "CsvReader.h"

#include "TableList.h"
#include "Utils.h"

bool ReadCsvRecord(ByteSource& in, std::vector<std::string>& fields, int& lines, bool& cut,
                   char separator) {
    fields.clear();
    cut = false;
    int c = in.get();
    if (c < 0) return false;
    std::string field;
    const auto add = [&](char ch) {
        if (field.size() < maxLineLength)
            field += ch;
        else
            cut = true;
    };
    const auto endField = [&] {
        if (fields.size() < maxCsvFields)
            fields.push_back(std::move(field));
        else
            cut = true;
        field.clear();
    };
    bool quoted = false;
    for (;; c = in.get()) {
        if (quoted) {
            if (c < 0) break;
            if (c == '"') {
                if (in.peek() == '"')
                    add(static_cast<char>(in.get()));
                else
                    quoted = false;
                continue;
            }
            if (c == '\n' || (c == '\r' && in.peek() != '\n')) ++lines;
            add(static_cast<char>(c));
            continue;
        }
        if (c < 0 || c == '\n' || c == '\r') break;
        if (c == separator) {
            endField();
        } else if (c == '"' && field.empty()) {
            quoted = true;
        } else {
            add(static_cast<char>(c));
        }
    }
    endField();
    if (c == '\r' && in.peek() == '\n') in.get();
    if (c >= 0) ++lines;
    return true;
}

std::optional<char> CsvSeparator(std::string_view header) {
    for (const char separator : {',', ';', '\t'}) {
        TextSource source(header);
        std::vector<std::string> columns;
        int lines = 0;
        bool cut = false;
        if (ReadCsvRecord(source, columns, lines, cut, separator) && columns.size() > 1 &&
            TableColumnsOf(columns).holdsEvents())
            return separator;
    }
    return std::nullopt;
}

bool IsCsvHeader(std::string_view firstLine) {
    return CsvSeparator(firstLine).has_value();
}

EdlRead ReadCSV(ByteSource& in, EventList& events, timecode::Rate inUse) {
    // The header is the first line that holds anything; it says the separator.
    std::string header;
    int lines = 0;
    bool cut = false;
    do {
        if (!ReadLine(in, header)) {
            EdlRead empty;
            empty.outcome = EdlRead::Outcome::Empty;
            return empty;
        }
        ++lines;
    } while (Trimmed(header).empty());
    const char separator = CsvSeparator(header).value_or(',');
    std::vector<std::string> fields;
    TextSource headerSource(header);
    int headerLines = 0;
    ReadCsvRecord(headerSource, fields, headerLines, cut, separator);
    TableList table(fields, events, "CSV", "", inUse);
    int cutRecords = 0;
    for (int line = lines + 1; ReadCsvRecord(in, fields, lines, cut, separator); line = lines + 1) {
        if (cut && cutRecords++ < maxSkipReports)
            Utils::OutLine("CSV line " + std::to_string(line) + " holds more than " +
                           std::to_string(maxCsvFields) + " fields or a field longer than " +
                           std::to_string(maxLineLength) + " characters: the rest was not read");
        if (!table.row(fields, line)) break;
    }
    EdlRead read = table.finish();
    read.cutLines = cutRecords;
    return read;
}
