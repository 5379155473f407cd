#pragma once

#include "Timecode.h"

#include <optional>
#include <string>
#include <string_view>

// The rates and times in a table's fields, as editing systems, loggers and spreadsheets write
// them.

// A letter A to Z made lower case; every other byte as it is, whatever the locale.
inline char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// What a rate text says. KOLB's own rates: 25, 30 or 29.97 ("29.97" leaves drop-frame to the
// times; "DF" after the number says drop-frame, "NDF" not). Rates KOLB does not count at, whose
// times are kept as written and checked at their frames a second: 23.976 (or 23.98) and 24 at
// 24 frames, 50, 59.94 and 60 at 50 and 60. Any case; blanks, "fps" and a decimal comma
// ("23,976") passed over.
struct TableRate {
    timecode::Rate count;   // the frames a second the list's times are checked and counted at
    std::string other = {}; // a rate KOLB does not count at, by its usual name ("23.976")
    bool dropOpen = false;  // "29.97": drop-frame or not, as the times say
};
std::optional<TableRate> TableRateOf(std::string_view text);

// True when a rate a row says is the list's: the same rate, "29.97" at 30 either way.
bool SameTableRate(const TableRate& said, const TableRate& list);

// The rate's name in console lines: the setting's text ("30DF") or the other rate's name.
std::string TableRateText(const TableRate& rate);

// A time written with one-digit fields ("1:00:00:00", "1:2:3;4") in its two-digit form
// ("01:00:00:00", "01:02:03;04"): four fields of one or two digits between ':', ';' or '.'.
// Any other text as it is.
std::string TwoDigitTime(std::string_view text);
