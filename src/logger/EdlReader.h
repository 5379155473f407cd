#pragma once

#include "EventList.h"
#include "ListComments.h"
#include "Timecode.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Where an EDL's bytes come from: a file, or a text in the tests.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // The next byte (0-255), or -1 at the end. A read failure throws std::system_error.
    virtual int get() = 0;
    // The byte get() would return next, without taking it.
    virtual int peek() = 0;
};

class TextSource : public ByteSource {
public:
    explicit TextSource(std::string_view text) : text(text) {}
    int get() override { return pos < text.size() ? static_cast<unsigned char>(text[pos++]) : -1; }
    int peek() override { return pos < text.size() ? static_cast<unsigned char>(text[pos]) : -1; }

private:
    std::string_view text;
    std::size_t pos = 0;
};

// The longest line read whole; the rest of a longer one is read and dropped.
constexpr std::size_t maxLineLength = 4096;

// Reads one line ending at LF, CR or CR LF (the end is not kept); false at the end of the input
// when nothing was read. Characters past maxLength are read and dropped, and cut (when given) is
// set to whether any were.
bool ReadLine(ByteSource& in, std::string& line, std::size_t maxLength = maxLineLength,
              bool* cut = nullptr);

// The time part of an event line and the source in and out read from it: from two characters
// before the line's first colon, the 11 characters of the in time, then after one blank (or two)
// the 11 of the out time. Nothing when the line is shorter than 20 characters, its first colon
// lies before column 20 or does not follow a digit, or the time part is too short.
struct SourceTimes {
    std::string timestring;
    std::string timestring1; // source in
    std::string timestring2; // source out
};
std::optional<SourceTimes> getsourcetime(const std::string& line);

// The out an event read from another system's list keeps: a clip of no length (out equal to
// in) is an event without an out, the zero time at the rate. KOLB writes an event with no out
// that way, for readers that refuse an out before an in.
std::string OutOfListEvent(const std::string& in, const std::string& out, timecode::Rate rate);

// A line of a list that looked like an event and was not read, and why (one line of text, e.g.
// "source times 01:00:00:45 01:00:01:00 are not timecode at the rate 30").
struct SkippedLine {
    int line = 0; // the file's line number, from 1
    std::string why;
    bool operator==(const SkippedLine&) const = default;
};

struct EdlRead {
    enum class Outcome { Read, NotAnEdl, Empty };
    Outcome outcome = Outcome::Read;
    int stored = 0;  // events stored, from event 1 on
    int skipped = 0; // event lines skipped because their times could not be taken
    // Every line skipped, in order (the console says only the first maxSkipReports).
    std::vector<SkippedLine> skips;
    // Event lines that hold no clip and were passed over on purpose: black, a gap, the
    // zero-length outgoing side of a transition, a source with no timecode.
    int passedOver = 0;
    // The list holds clips past the 100th, which were not loaded.
    bool more = false;
    // The rate the list says it counts at when KOLB counts at none like it ("23.976", "24",
    // "50", "59.94"): its times were kept as written. Empty for the rates KOLB counts at.
    std::string otherRate;
    // What the list's "FCM:" line says: true for "FCM: DROP FRAME", false for
    // "FCM: NON-DROP FRAME"; nothing without one.
    std::optional<bool> dropFrame;
    timecode::Rate rate;     // the rate the list's times count at
    bool rateMarked = false; // the list said its rate: an FCM line, or ';' in its times
    int cutLines = 0;        // lines cut at maxLineLength characters
};

// The skipped lines reported one by one; past these, one line at the end gives the number.
constexpr int maxSkipReports = 10;

// Reads an EDL into the event list. A UTF-8 byte order mark and blank lines before the first
// line are passed over. A list's first line is its title (its first byte 'T' is taken, so the
// title line is read without it) or, in a list without one, its FCM line or its first event line;
// a file that starts with anything else is NotAnEdl, and so is a file without a title that holds
// no line meant as an event line (LooksLikeCmxEventLine).
// The list's rate: "FCM: DROP FRAME" gives 30DF, "FCM: NON-DROP FRAME" the rate in use without
// drop-frame, wherever the line stands (the first one counts); without an FCM line, ';' before the
// frames of the first event's source times gives 30DF, else the rate in use is taken.
// In the logger's own layout (a list with a "REM Made by" line that ends in a blank, as its writer
// puts it) each line longer than 60 characters that does not begin "TIT" is an event: its name the
// 6 characters from column 5 (blanks inside kept; from column 5 to the next blank when columns 3
// and 4 are not blank), its times found by getsourcetime; a "* FROM CLIP NAME:" line right after an
// event gives that event its full name, and a comment's text starts after the one blank that
// follows its colon. In other systems' CMX lists, event lines are read by their fields
// (ParseCmxEventLine): each clip is named after its reel until a name comment (CmxCommentLine.h,
// with or without the '*' and the blank after it) names it, the first one after its event line that
// does; an event whose out equals its in has no out (OutOfListEvent). A dissolve, wipe or key is
// two event lines, its outgoing side and then its incoming side: an outgoing side of no length is
// no clip; "FROM CLIP NAME" after the incoming side names the outgoing one (when that is a clip),
// "TO CLIP NAME" after either line names the incoming one. Black (reel BL or BLACK) and a source of
// no timecode (in and out 00:00:00:00 while the record side has a length) are no clips either.
// These are counted in passedOver. M2, AUD, REM, FCM and other comment lines name no clip and are
// passed over uncounted; a clip's source range is its event line's. Comment texts lose the blanks
// around them; "* SOURCE FILE:" is passed over. An event line whose source times are not timecode
// at the list's rate, a line that cannot be read as an event (in the logger's own layout: no source
// times; in other lists: a line meant as an event line that ParseCmxEventLine cannot read) is
// skipped with a console line (the first maxSkipReports of them; a count of all follows) and kept
// in skips; a line cut at maxLineLength is read as far as it goes and said the same way. The
// comments after an event, up to the next one, give it the rest (ListComments.h): "* TAPE:" its
// whole tape, "* COMMENT:" its notes (several joined with a blank), "* GOOD TAKE:" with a yes word
// (IsYesWord) the good-take mark. Each clip's tape: a "* TAPE:" line before the first event line is
// the log's tape and every clip's (an event that holds nothing stays a fresh one, with none);
// without one, in a CMX list not in the logger's own layout, the reel ("AX": no tape), or the whole
// tape last said after an event of the same reel (lists of one tape say it once, after event 001).
// The log's tape: the one said before the first event, else the last event's. Names are read as
// UTF-8, other bytes as Latin-1. Up to 100 events are stored; events past the last one read keep
// what they held, and a clip past the last one stored is said once ("EDL has more than 100 events:
// the rest were not loaded", and more is set), where reading ends. Edit numbers are not read. With
// verbose on, every line longer than 5 characters and every pair of source times read are echoed to
// the console.
EdlRead ReadEDL(ByteSource& in, EventList& events, bool verbose, timecode::Rate inUse);
