#include "TableList.h"

#include "Utf8Text.h"
#include "Utils.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

std::string lowered(std::string_view text) {
    std::string low(Trimmed(text));
    for (char& c : low) c = AsciiLower(c);
    return low;
}

// The index of the column with the first of the names that any column has, or -1.
int columnOf(const std::vector<std::string>& columns,
             std::initializer_list<std::string_view> names) {
    for (const std::string_view name : names)
        for (std::size_t i = 0; i < columns.size(); ++i)
            if (lowered(columns[i]) == name) return static_cast<int>(i);
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

std::optional<timecode::Rate> RateOfTableText(std::string_view text) {
    std::string low = lowered(text);
    const bool drop = low.ends_with("df");
    if (drop) low.resize(low.size() - 2);
    double fps = 0;
    const auto [end, error] = std::from_chars(low.data(), low.data() + low.size(), fps);
    if (error != std::errc() || end != low.data() + low.size()) return std::nullopt;
    if (std::abs(fps - 25) < 0.01 && !drop) return timecode::rate25;
    if (std::abs(fps - 30) < 0.01 || std::abs(fps - 29.97) < 0.01)
        return drop ? timecode::rate30DF : timecode::rate30;
    return std::nullopt;
}

TableList::TableList(const std::vector<std::string>& columns, EventList& events, std::string kind,
                     std::string_view rateText, timecode::Rate inUse)
    : events(events), kind(std::move(kind)), saidText(Trimmed(rateText)), inUse(inUse) {
    name = columnOf(columns, {"name", "clip name", "clip"});
    tape = columnOf(columns, {"tape", "tape name", "reel", "reel name"});
    in = columnOf(columns, {"in", "start", "source in", "src in", "mark in"});
    out = columnOf(columns, {"out", "end", "source out", "src out", "mark out"});
    duration = columnOf(columns, {"duration"});
    this->rate = columnOf(columns, {"rate", "fps", "frame rate"});
    notes = columnOf(columns, {"comments", "comment", "notes", "description"});
    good = columnOf(columns, {"good", "good take", "circled"});
    read.rate = inUse;
}

bool TableList::holdsEvents() const {
    return in >= 0 && (out >= 0 || duration >= 0);
}

const std::string& TableList::field(const std::vector<std::string>& fields, int column) const {
    static const std::string none;
    return column >= 0 && column < static_cast<int>(fields.size()) ? fields[column] : none;
}

// The rate of a row: what the row or the file says, drop-frame at 30 when the row's in has ';'
// before the frames, else the rate in use. A rate said that is none KOLB counts at is said once.
timecode::Rate TableList::rateOf(const std::vector<std::string>& fields) {
    const std::string_view rowText = Trimmed(field(fields, rate));
    const std::string_view text = rowText.empty() ? std::string_view(saidText) : rowText;
    const bool dropMarked = [&] {
        const std::string_view first = Trimmed(field(fields, in));
        return first.size() == 11 && first[8] == ';';
    }();
    std::optional<timecode::Rate> r = RateOfTableText(text);
    const bool unknown = !r && !text.empty();
    marked = r.has_value() || dropMarked;
    // "29.97" says nothing of drop-frame; the times do.
    if (r == timecode::rate30 && dropMarked && lowered(text) != "30") r = timecode::rate30DF;
    if (!r) r = dropMarked ? timecode::rate30DF : inUse;
    if (unknown && !rateUnknownSaid) {
        rateUnknownSaid = true;
        Utils::OutLine("The " + kind + "'s rate " + TextFromBytes(text) +
                       " is not one KOLB counts at (30, 25, 29.97): read at " +
                       timecode::RateText(*r));
    }
    return *r;
}

bool TableList::row(const std::vector<std::string>& fields, int lineNumber) {
    if (std::all_of(fields.begin(), fields.end(),
                    [](const std::string& f) { return Trimmed(f).empty(); }))
        return true;
    if (read.stored >= EventList::size) {
        Utils::OutLine(kind + " has more than " + std::to_string(EventList::size) +
                       " events: the rest were not loaded");
        return false;
    }
    // The list's rate is its first event's: until one is stored, each row's own.
    const timecode::Rate at = listRate ? *listRate : rateOf(fields);
    const std::string start(Trimmed(field(fields, in)));
    std::string end(Trimmed(field(fields, out)));
    if (out < 0) {
        const auto from = timecode::FrameCount(start, at);
        const auto length = timecode::FrameCount(Trimmed(field(fields, duration)), at);
        end = from && length ? timecode::TimeText(*from + *length, at) : "";
    }
    if (!timecode::IsTimecode(start, at) || !timecode::IsTimecode(end, at)) {
        if (read.skipped < maxSkipReports)
            Utils::OutLine("Skipped " + kind + " line " + std::to_string(lineNumber) + ": in " +
                           TextFromBytes(start) + " and out " + TextFromBytes(end) +
                           " are not timecode at the rate " + timecode::RateText(at));
        ++read.skipped;
        return true;
    }
    if (!listRate) {
        listRate = at;
        read.rateMarked = marked;
    }
    const int k = read.stored++;
    events.ClipNameArray[k] = oneLineText(field(fields, name));
    events.SrcInArray[k] = start;
    events.SrcOutArray[k] = OutOfListEvent(start, end, at);
    events.TapeArray[k] = oneLineText(field(fields, tape));
    events.NotesArray[k] = oneLineText(field(fields, notes));
    events.GoodArray[k] = IsYesWord(field(fields, good));
    events.tape = events.TapeArray[k];
    return true;
}

EdlRead TableList::finish() {
    read.rate = listRate.value_or(inUse);
    if (listRate) read.dropFrame = listRate->dropFrame;
    if (read.skipped > maxSkipReports)
        Utils::OutLine("Skipped " + std::to_string(read.skipped) + " " + kind +
                       " lines with no times in all");
    return read;
}
