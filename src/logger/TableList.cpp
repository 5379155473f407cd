#include "TableList.h"

#include "Utf8Text.h"
#include "Utils.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

namespace {

std::string lowered(std::string_view text) {
    std::string low(Trimmed(text));
    for (char& c : low) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return low;
}

// The index of the first column with one of the names, or -1.
int columnOf(const std::vector<std::string>& columns,
             std::initializer_list<std::string_view> names) {
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (std::find(names.begin(), names.end(), lowered(columns[i])) != names.end())
            return static_cast<int>(i);
    return -1;
}

// A name held in the log: one line, as typed in its row.
std::string oneLineName(std::string_view bytes) {
    std::string name = TextFromBytes(bytes);
    std::replace(name.begin(), name.end(), '\r', ' ');
    std::replace(name.begin(), name.end(), '\n', ' ');
    return name;
}

bool dropMarked(std::string_view time) {
    return time.size() == 11 && time[8] == ';';
}

} // namespace

std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
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
                     std::optional<timecode::Rate> rate, timecode::Rate inUse)
    : events(events), kind(std::move(kind)), said(rate), inUse(inUse) {
    name = columnOf(columns, {"name", "clip name", "clip"});
    tape = columnOf(columns, {"tape", "tape name", "reel", "reel name"});
    in = columnOf(columns, {"in", "start", "source in", "src in", "mark in"});
    out = columnOf(columns, {"out", "end", "source out", "src out", "mark out"});
    duration = columnOf(columns, {"duration"});
    this->rate = columnOf(columns, {"rate", "fps", "frame rate"});
    read.rate = inUse;
}

bool TableList::holdsEvents() const {
    return in >= 0 && (out >= 0 || duration >= 0);
}

const std::string& TableList::field(const std::vector<std::string>& fields, int column) const {
    static const std::string none;
    return column >= 0 && column < static_cast<int>(fields.size()) ? fields[column] : none;
}

// The list's rate, from its first event: what the row or the file says, drop-frame at 30 when
// the times say so, else the rate in use.
timecode::Rate TableList::rateOf(const std::vector<std::string>& fields) {
    const std::string_view first = Trimmed(field(fields, in));
    std::optional<timecode::Rate> r = RateOfTableText(field(fields, rate));
    if (!r) r = said;
    read.rateMarked = r.has_value() || dropMarked(first);
    if (r && r->fps == 30 && !r->dropFrame && dropMarked(first) &&
        lowered(field(fields, rate)) != "30")
        r = timecode::rate30DF;
    if (!r) r = dropMarked(first) ? timecode::rate30DF : inUse;
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
    if (!listRate) listRate = rateOf(fields);
    const std::string start(Trimmed(field(fields, in)));
    std::string end(Trimmed(field(fields, out)));
    if (out < 0) {
        const auto from = timecode::FrameCount(start, *listRate);
        const auto length = timecode::FrameCount(Trimmed(field(fields, duration)), *listRate);
        end = from && length ? timecode::TimeText(*from + *length, *listRate) : "";
    }
    if (!timecode::IsTimecode(start, *listRate) || !timecode::IsTimecode(end, *listRate)) {
        if (read.skipped < maxSkipReports)
            Utils::OutLine("Skipped " + kind + " line " + std::to_string(lineNumber) + ": in " +
                           TextFromBytes(start) + " and out " + TextFromBytes(end) +
                           " are not timecode at the rate " + timecode::RateText(*listRate));
        ++read.skipped;
        return true;
    }
    const int k = read.stored++;
    events.ClipNameArray[k] = oneLineName(field(fields, name));
    events.SrcInArray[k] = start;
    events.SrcOutArray[k] = end;
    const std::string rowTape = oneLineName(field(fields, tape));
    if (k == 0)
        events.tape = rowTape;
    else if (rowTape != events.tape)
        otherTapes = true;
    return true;
}

EdlRead TableList::finish() {
    read.rate = listRate.value_or(inUse);
    if (listRate) read.dropFrame = listRate->dropFrame;
    if (read.skipped > maxSkipReports)
        Utils::OutLine("Skipped " + std::to_string(read.skipped) + " " + kind +
                       " lines with no times in all");
    if (otherTapes)
        Utils::OutLine("The " + kind + " holds more than one tape: the log keeps the first, " +
                       events.tape);
    return read;
}
