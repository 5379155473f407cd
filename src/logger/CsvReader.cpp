#include "CsvReader.h"

#include "TableList.h"
#include "Utils.h"

namespace {

// Reads the records up to the first that holds anything.
bool firstRecord(ByteSource& in, std::vector<std::string>& fields, int& lines, bool& cut) {
    while (ReadCsvRecord(in, fields, lines, cut))
        if (fields.size() > 1 || !Trimmed(fields[0]).empty()) return true;
    return false;
}

} // namespace

bool ReadCsvRecord(ByteSource& in, std::vector<std::string>& fields, int& lines, bool& cut) {
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
        if (c == ',') {
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

bool IsCsvHeader(std::string_view firstLine) {
    TextSource source(firstLine);
    std::vector<std::string> columns;
    int lines = 0;
    bool cut = false;
    if (!ReadCsvRecord(source, columns, lines, cut) || columns.size() < 2) return false;
    EventList scratch = EventList::initial();
    return TableList(columns, scratch, "CSV", "", timecode::rate30).holdsEvents();
}

EdlRead ReadCSV(ByteSource& in, EventList& events, timecode::Rate inUse) {
    std::vector<std::string> fields;
    int lines = 0;
    bool cut = false;
    if (!firstRecord(in, fields, lines, cut)) {
        EdlRead empty;
        empty.outcome = EdlRead::Outcome::Empty;
        return empty;
    }
    TableList table(fields, events, "CSV", "", inUse);
    int cutRecords = 0;
    for (int line = lines + 1; ReadCsvRecord(in, fields, lines, cut); line = lines + 1) {
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
