#include "TableList.h"

#include "Utf8Text.h"
#include "Utils.h"

#include <algorithm>

namespace {

std::string lowered(std::string_view text) {
    std::string low(Trimmed(text));
    for (char& c : low) c = AsciiLower(c);
    return low;
}

// A column's name as the lists below hold it: lower case, one blank between words.
std::string columnKey(std::string_view text) {
    std::string key;
    for (const char c : Trimmed(text)) {
        const bool blank = c == ' ' || c == '\t';
        if (!blank)
            key += AsciiLower(c);
        else if (key.back() != ' ')
            key += ' ';
    }
    return key;
}

// The index of the column with the first of the names that any column has, or -1.
int columnOf(const std::vector<std::string>& columns,
             std::initializer_list<std::string_view> names) {
    for (const std::string_view name : names)
        for (std::size_t i = 0; i < columns.size(); ++i)
            if (columnKey(columns[i]) == name) return static_cast<int>(i);
    return -1;
}

// A text held in the log (a name, a tape, notes): one line, as typed in its row.
std::string oneLineText(std::string_view bytes) {
    std::string name = TextFromBytes(bytes);
    std::replace(name.begin(), name.end(), '\r', ' ');
    std::replace(name.begin(), name.end(), '\n', ' ');
    return name;
}

} // namespace

std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

bool IsYesWord(std::string_view text) {
    const std::string low = lowered(text);
    for (const std::string_view yes : {"yes", "y", "true", "1", "x", "*", "good", "circled"})
        if (low == yes) return true;
    return false;
}

TableColumns TableColumnsOf(const std::vector<std::string>& columns) {
    TableColumns at;
    at.name =
        columnOf(columns, {"name", "clip name", "clip", "source name", "file name", "filename"});
    at.tape =
        columnOf(columns, {"tape", "tape name", "reel", "reel name", "source tape", "tape id"});
    at.in =
        columnOf(columns, {"in", "start", "source in", "src in", "mark in", "source start",
                           "media start", "start tc", "start timecode", "timecode in", "tc in"});
    at.out = columnOf(columns, {"out", "end", "source out", "src out", "mark out", "source end",
                                "media end", "end tc", "end timecode", "timecode out", "tc out"});
    at.duration = columnOf(columns, {"duration", "media duration", "source duration"});
    at.rate = columnOf(columns, {"rate", "fps", "frame rate", "video frame rate", "timecode rate"});
    at.notes = columnOf(columns, {"comments", "comment", "notes", "note", "description", "log note",
                                  "log comment", "remark"});
    at.good = columnOf(columns, {"good", "good take", "circled", "circle"});
    return at;
}

TableList::TableList(const std::vector<std::string>& columns, EventList& events, std::string kind,
                     std::string_view rateText, timecode::Rate inUse)
    : events(events), kind(std::move(kind)), saidText(Trimmed(rateText)), inUse(inUse),
      at(TableColumnsOf(columns)) {
    read.rate = inUse;
}

const std::string& TableList::field(const std::vector<std::string>& fields, int column) const {
    static const std::string none;
    return column >= 0 && column < static_cast<int>(fields.size()) ? fields[column] : none;
}

// The rate of a row: what the row or the file says, drop-frame at 30 when the row's in has ';'
// before the frames, else the rate in use. A rate said that is none KOLB counts at is said once:
// one of those TableRateOf knows keeps its times as written, any other is read at the rate taken.
TableRate TableList::rateOf(const std::vector<std::string>& fields) {
    const std::string_view rowText = Trimmed(field(fields, at.rate));
    const std::string_view text = rowText.empty() ? std::string_view(saidText) : rowText;
    const bool dropMarked = [&] {
        const std::string first = TwoDigitTime(Trimmed(field(fields, at.in)));
        return first.size() == 11 && first[8] == ';';
    }();
    std::optional<TableRate> r = TableRateOf(text);
    const bool unknown = (!r || !r->other.empty()) && !text.empty();
    marked = r ? r->other.empty() : dropMarked;
    // "29.97" says nothing of drop-frame; the times do.
    if (r && r->dropOpen) {
        if (dropMarked) r->count = timecode::rate30DF;
        r->dropOpen = false;
    }
    if (!r) r = TableRate{dropMarked ? timecode::rate30DF : inUse};
    if (unknown && !rateUnknownSaid) {
        rateUnknownSaid = true;
        Utils::OutLine("The " + kind + "'s rate " + TextFromBytes(text) +
                       " is not one KOLB counts at (30, 25, 29.97): " +
                       (r->other.empty() ? "read at " + timecode::RateText(r->count)
                                         : std::string("its times are kept as written")));
    }
    listText = lowered(text);
    return *r;
}

// True when a row's own rate is the list's, or the row says none.
bool TableList::fitsTheList(std::string_view rateText) const {
    if (rateText.empty()) return true;
    const std::optional<TableRate> said = TableRateOf(rateText);
    return said ? SameTableRate(*said, *listRate) : lowered(rateText) == listText;
}

void TableList::skip(int lineNumber, std::string why) {
    if (read.skips.size() < static_cast<std::size_t>(maxSkipReports))
        Utils::OutLine("Skipped " + kind + " line " + std::to_string(lineNumber) + ": " + why);
    read.skips.push_back({lineNumber, std::move(why)});
    read.skipped = static_cast<int>(read.skips.size());
}

bool TableList::row(const std::vector<std::string>& fields, int lineNumber) {
    if (std::all_of(fields.begin(), fields.end(),
                    [](const std::string& f) { return Trimmed(f).empty(); }))
        return true;
    if (read.stored >= EventList::size) {
        Utils::OutLine(kind + " has more than " + std::to_string(EventList::size) +
                       " events: the rest were not loaded");
        read.more = true;
        return false;
    }
    // The list's rate is its first event's: until one is stored, each row's own.
    const std::string_view rowRate = Trimmed(field(fields, at.rate));
    if (listRate && !fitsTheList(rowRate)) {
        skip(lineNumber, "rate " + TextFromBytes(rowRate) + " is not the list's rate " +
                             TableRateText(*listRate));
        return true;
    }
    const TableRate rate = listRate ? *listRate : rateOf(fields);
    const std::string start = TwoDigitTime(Trimmed(field(fields, at.in)));
    std::string end = TwoDigitTime(Trimmed(field(fields, at.out)));
    if (at.out < 0) {
        const auto from = timecode::FrameCount(start, rate.count);
        const auto length =
            timecode::FrameCount(TwoDigitTime(Trimmed(field(fields, at.duration))), rate.count);
        end = from && length ? timecode::TimeText(*from + *length, rate.count) : "";
    }
    if (!timecode::IsTimecode(start, rate.count) || !timecode::IsTimecode(end, rate.count)) {
        skip(lineNumber, "in " + TextFromBytes(Trimmed(field(fields, at.in))) + " and out " +
                             TextFromBytes(at.out < 0 ? end : Trimmed(field(fields, at.out))) +
                             " are not timecode at the rate " + TableRateText(rate));
        return true;
    }
    if (!listRate) {
        listRate = rate;
        read.rateMarked = marked;
    }
    const int k = read.stored++;
    events.ClipNameArray[k] = oneLineText(field(fields, at.name));
    events.SrcInArray[k] = start;
    events.SrcOutArray[k] = OutOfListEvent(start, end, rate.count);
    events.TapeArray[k] = oneLineText(field(fields, at.tape));
    events.NotesArray[k] = oneLineText(field(fields, at.notes));
    events.GoodArray[k] = IsYesWord(field(fields, at.good));
    events.tape = events.TapeArray[k];
    return true;
}

EdlRead TableList::finish() {
    // A rate KOLB does not count at leaves the rate in use.
    if (listRate && listRate->other.empty()) {
        read.rate = listRate->count;
        read.dropFrame = listRate->count.dropFrame;
    }
    if (listRate) read.otherRate = listRate->other;
    if (read.skipped > maxSkipReports)
        Utils::OutLine("Skipped " + std::to_string(read.skipped) + " " + kind + " lines in all");
    return read;
}
