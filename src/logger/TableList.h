#pragma once

#include "EdlReader.h"
#include "EventList.h"
#include "TableFields.h"
#include "Timecode.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A list held as a table, as ALE and CSV files hold it: a header of column names, then a row of
// fields for each event. The columns are found by name as editing systems and loggers export
// them, in any order and any case, blanks around and inside a name passed over ("Clip  Name"),
// other columns passed over (a "Record In" is no in): the name ("Name", "Clip Name", "Clip",
// "Source Name", "File Name", "Filename"), the tape ("Tape", "Tape Name", "Reel", "Reel Name",
// "Source Tape", "Tape ID"), the in ("In", "Start", "Source In", "Src In", "Mark In", "Source
// Start", "Media Start", "Start TC", "Start Timecode", "Timecode In", "TC In"), the out ("Out",
// "End", "Source Out", "Src Out", "Mark Out", "Source End", "Media End", "End TC", "End
// Timecode", "Timecode Out", "TC Out"), the duration ("Duration", "Media Duration", "Source
// Duration": for the out, in a table with no out column), the rate ("Rate", "FPS", "Frame Rate",
// "Video Frame Rate", "Timecode Rate"), the notes ("Comments", "Comment", "Notes", "Note",
// "Description", "Log Note", "Log Comment", "Remark") and the good-take mark ("Good", "Good
// Take", "Circled", "Circle"). Where several columns fit, the name first in these lists wins
// ("Start" over "Mark In").
struct TableColumns {
    int name = -1, tape = -1, in = -1, out = -1, duration = -1, rate = -1, notes = -1, good = -1;
    // True when the columns hold an in and an out (or a duration): a table of events.
    bool holdsEvents() const { return in >= 0 && (out >= 0 || duration >= 0); }
};
TableColumns TableColumnsOf(const std::vector<std::string>& columns);

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

    // Stores one row, read from the file's line lineNumber, as the next event; its times may be
    // written with one-digit fields (TwoDigitTime). A row of empty fields is passed over. Skipped
    // and said, with why: a row whose times are not timecode at the list's rate, and one whose
    // own rate is not the list's. False once the list holds its 100 events (the row is not
    // stored).
    bool row(const std::vector<std::string>& fields, int lineNumber);
    // What was read; each clip has its row's tape, and the log's tape is the last one's. The
    // rate is the list's; a list at a rate KOLB does not count at (TableRateOf) has the rate in
    // use, and that rate as otherRate.
    EdlRead finish();

private:
    const std::string& field(const std::vector<std::string>& fields, int column) const;
    TableRate rateOf(const std::vector<std::string>& fields);
    bool fitsTheList(std::string_view rateText) const;
    void skip(int lineNumber, std::string why);

    EventList& events;
    std::string kind;
    std::string saidText;
    timecode::Rate inUse;
    TableColumns at;
    // The list's rate, its first event's, and the text it was said in (lower case).
    std::optional<TableRate> listRate;
    std::string listText;
    EdlRead read;
    bool marked = false;          // the rate of the last row was said, or its ';'
    bool rateUnknownSaid = false; // a rate KOLB does not count at was said
};
