#include "TableFields.h"

#include <charconv>
#include <cmath>

namespace {

// Takes the ending off the text when it has it.
bool cutEnd(std::string& text, std::string_view end) {
    if (!text.ends_with(end)) return false;
    text.resize(text.size() - end.size());
    return true;
}

} // namespace

std::optional<TableRate> TableRateOf(std::string_view text) {
    std::string low;
    for (const char c : text)
        if (c != ' ' && c != '\t') low += c == ',' ? '.' : AsciiLower(c);
    cutEnd(low, "fps");
    const bool nonDrop = cutEnd(low, "ndf");
    const bool drop = !nonDrop && cutEnd(low, "df");
    cutEnd(low, "fps");
    double fps = 0;
    const auto [end, error] = std::from_chars(low.data(), low.data() + low.size(), fps);
    if (low.empty() || error != std::errc() || end != low.data() + low.size()) return std::nullopt;
    const auto is = [fps](double rate) { return std::abs(fps - rate) < 0.01; };
    if (is(30) || is(29.97))
        return TableRate{drop ? timecode::rate30DF : timecode::rate30, "",
                         !drop && !nonDrop && is(29.97)};
    if (is(59.94)) return TableRate{{60, false}, "59.94"};
    if (drop) return std::nullopt;
    if (is(25)) return TableRate{timecode::rate25};
    if (is(23.976)) return TableRate{{24, false}, "23.976"};
    if (is(24)) return TableRate{{24, false}, "24"};
    if (is(50)) return TableRate{{50, false}, "50"};
    if (is(60)) return TableRate{{60, false}, "60"};
    return std::nullopt;
}

bool SameTableRate(const TableRate& said, const TableRate& list) {
    return said.other == list.other && said.count.fps == list.count.fps &&
           (said.dropOpen || list.dropOpen || said.count.dropFrame == list.count.dropFrame);
}

std::string TableRateText(const TableRate& rate) {
    return rate.other.empty() ? timecode::RateText(rate.count) : rate.other;
}

std::string TwoDigitTime(std::string_view text) {
    std::string time;
    int fields = 1;
    std::size_t digits = 0;
    // A field of one digit gets a 0 before it; an empty field or one of three digits is no time.
    const auto endField = [&] {
        if (digits == 1) time.insert(time.size() - 1, 1, '0');
        return digits > 0;
    };
    for (const char c : text) {
        if (timecode::isnumeric(c)) {
            if (++digits > 2) return std::string(text);
            time += c;
        } else if ((c == ':' || c == ';' || c == '.') && fields < 4 && endField()) {
            time += c;
            digits = 0;
            ++fields;
        } else {
            return std::string(text);
        }
    }
    return fields == 4 && endField() ? time : std::string(text);
}
