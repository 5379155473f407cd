#pragma once

#include "EdlReader.h"
#include "EventList.h"
#include "Timecode.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A list held as a table, as ALE and CSV files hold it: a header of column names, then a row of
// fields for each event. The columns are found by name, in any order and any case, other columns
// passed over: the name ("Name", "Clip Name", "Clip"), the tape ("Tape", "Tape Name", "Reel",
// "Reel Name"), the in ("In", "Start", "Source In", "Src In", "Mark In"), the out ("Out", "End",
// "Source Out", "Src Out", "Mark Out"), "Duration" (for the out, in a table with no out column),
// the rate ("Rate", "FPS", "Frame Rate"), the notes ("Comments", "Comment", "Notes",
// "Description") and the good-take mark ("Good", "Good Take", "Circled"). Where several columns
// fit, the name first in these lists wins ("Start" over "Mark In").

// The rate a rate text names: 25, 30 or 29.97 frames a second (a list's first times with ';'
// before the frames make 30 drop-frame), "DF" after the number for drop-frame ("30DF", as the
// settings write it); nothing for other texts.
std::optional<timecode::Rate> RateOfTableText(std::string_view text);

// A letter A to Z made lower case; every other byte as it is, whatever the locale.
inline char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The text with the blanks and tabs around it taken off.
std::string_view Trimmed(std::string_view text);

// A word for yes, as tables and comments mark a good take: yes, y, true, 1, x, *, good or
// circled, in any case, blanks around it passed over.
bool IsYesWord(std::string_view text);

class TableList {
public:
    // kind names the format in console lines ("ALE", "CSV"). rateText is what the file says of
    // its rate outside the table (an ALE's FPS), if anything; inUse is taken when nothing says it.
    TableList(const std::vector<std::string>& columns, EventList& events, std::string kind,
              std::string_view rateText, timecode::Rate inUse);

    // True when the columns hold an in and an out (or a duration): a table of events.
    bool holdsEvents() const;
    // Stores one row, read from the file's line lineNumber, as the next event. A row of empty
    // fields is passed over; one whose times are not timecode at the list's rate is skipped and
    // said. False once the list holds its 100 events (the row is not stored).
    bool row(const std::vector<std::string>& fields, int lineNumber);
    // What was read; each clip has its row's tape, and the log's tape is the last one's.
    EdlRead finish();

private:
    const std::string& field(const std::vector<std::string>& fields, int column) const;
    timecode::Rate rateOf(const std::vector<std::string>& fields);

    EventList& events;
    std::string kind;
    std::string saidText;
    timecode::Rate inUse;
    std::optional<timecode::Rate> listRate;
    int name = -1, tape = -1, in = -1, out = -1, duration = -1, rate = -1, notes = -1, good = -1;
    EdlRead read;
    bool marked = false;          // the rate of the last row was said, or its ';'
    bool rateUnknownSaid = false; // a rate KOLB does not count at was said
};
