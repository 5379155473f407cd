#include "EdlReader.h"

#include "ListComments.h"
#include "TableList.h"
#include "Utf8Text.h"
#include "Utils.h"

#include <algorithm>

#include <array>
#include <map>

namespace {

bool blank(int c) {
    return c == ' ' || c == '\t';
}

// The text after a comment's colon, as UTF-8: without the blanks before it, or in the logger's
// own layout without the one blank its writer puts there (so texts that start with a blank come
// back whole).
std::string commentText(const std::string& line, std::size_t colonEnd, bool ownLayout) {
    std::size_t at = colonEnd;
    if (ownLayout)
        at += at < line.size() && line[at] == ' ' ? 1 : 0;
    else
        while (at < line.size() && blank(static_cast<unsigned char>(line[at]))) ++at;
    return TextFromBytes(std::string_view(line).substr(at));
}

bool startsWithComment(const std::string& line, std::string_view comment) {
    // The comment without its closing blank: other systems put any number of blanks there.
    return line.starts_with(comment.substr(0, comment.size() - 1));
}

// Takes a UTF-8 byte order mark and the blank lines before a list's first line; the first byte
// after them, or -1 (or 0xEF for a broken mark, which no list begins with). Counts the lines
// passed over.
int firstByte(ByteSource& in, int& linesPassed) {
    int c = in.get();
    if (c == 0xEF) {
        if (in.get() != 0xBB || in.get() != 0xBF) return 0xEF;
        c = in.get();
    }
    while (c == '\r' || c == '\n' || blank(c)) {
        if (c == '\n' || (c == '\r' && in.peek() != '\n')) ++linesPassed;
        c = in.get();
    }
    return c;
}

// What the comment lines after the events give them: tapes, notes and good-take marks. A tape
// said before the first event is the log's and every clip's; one said after an event is that
// event's, and in a CMX list also the later events' of the same reel that say none.
class EventComments {
public:
    // ownLayout: whether the list is in the logger's own layout, as far as it has been read.
    EventComments(EventList& events, const bool& ownLayout)
        : events(events), ownLayout(ownLayout) {}

    // An event was stored at index k, from a line whose reel column holds reel.
    void event(int k, const std::string& reel) {
        current = k;
        reels[k] = reel;
        events.NotesArray[k].clear();
        events.GoodArray[k] = false;
        const auto said = saidWith.find(reel);
        // The logger's own layout has names in the reel column; its clips take the log's tape.
        if (logTape || ownLayout)
            events.TapeArray[k].clear();
        else
            events.TapeArray[k] = said != saidWith.end() ? said->second : reel == "AX" ? "" : reel;
    }
    // A comment line; false when it is none of those read here.
    bool comment(const std::string& line) {
        const auto text = [&](std::string_view comment) {
            return commentText(line, comment.size() - 1, ownLayout);
        };
        if (startsWithComment(line, tapeComment)) {
            if (current < 0) {
                logTape = text(tapeComment);
            } else {
                events.TapeArray[current] = text(tapeComment);
                ownTape[current] = true;
                saidWith[reels[current]] = events.TapeArray[current];
            }
        } else if (startsWithComment(line, notesComment)) {
            if (current < 0) return true;
            std::string& notes = events.NotesArray[current];
            if (!notes.empty()) notes.push_back(' ');
            notes.append(text(notesComment));
        } else if (startsWithComment(line, goodTakeComment)) {
            if (current >= 0) events.GoodArray[current] = IsYesWord(text(goodTakeComment));
        } else {
            return false;
        }
        return true;
    }
    // The tapes of the stored events that said none, and the log's tape: the one said before
    // the first event, else the title where a CMX list's title names one of its clips' tapes
    // (KOLB writes the log's tape there), else the last event's.
    void finish(int stored, const std::string& title) {
        for (int k = 0; k < stored; ++k)
            if (logTape && !ownTape[k]) events.TapeArray[k] = events.touched(k) ? *logTape : "";
        const auto first = events.TapeArray.begin();
        if (logTape)
            events.tape = *logTape;
        else if (!ownLayout && !title.empty() &&
                 std::find(first, first + stored, title) != first + stored)
            events.tape = title;
        else if (stored > 0)
            events.tape = events.TapeArray[stored - 1];
    }

private:
    EventList& events;
    const bool& ownLayout;
    int current = -1; // the event the comments are of; -1 before the first
    std::optional<std::string> logTape;
    std::array<bool, EventList::size> ownTape{};    // the event said its own tape
    std::array<std::string, EventList::size> reels; // each event's reel column
    std::map<std::string, std::string> saidWith;    // a reel's whole tape, as last said
};

// A name in the logger's own layout, read by its columns: the 6 characters from column 5 that
// the writer puts there (blanks inside kept), without the blanks that pad a shorter name; a name
// of blanks only keeps them, so that it is saved back as it came.
std::string columnName(const std::string& line) {
    const std::string name = FirstChars(TextFromBytes(std::string_view(line).substr(5)), 6);
    const std::size_t last = name.find_last_not_of(' ');
    return last == std::string::npos ? name : name.substr(0, last + 1);
}

// The rate of a list without an FCM line, from its first event's times: ';' before the frames is
// drop-frame.
std::optional<timecode::Rate> rateOfTimes(const SourceTimes& times) {
    if (times.timestring1[8] == ';' || times.timestring2[8] == ';') return timecode::rate30DF;
    return std::nullopt;
}

} // namespace

bool ReadLine(ByteSource& in, std::string& line, std::size_t maxLength, bool* cut) {
    line.clear();
    if (cut) *cut = false;
    int c = in.get();
    if (c < 0) return false;
    while (c >= 0 && c != '\n' && c != '\r') {
        if (line.size() < maxLength)
            line += static_cast<char>(c);
        else if (cut)
            *cut = true;
        c = in.get();
    }
    if (c == '\r' && in.peek() == '\n') in.get();
    return true;
}

std::string OutOfListEvent(const std::string& in, const std::string& out, timecode::Rate rate) {
    const auto from = timecode::FrameCount(in, rate);
    return from && from == timecode::FrameCount(out, rate) ? timecode::TimeText(0, rate) : out;
}

std::optional<SourceTimes> getsourcetime(const std::string& line) {
    if (line.size() < 20) return std::nullopt;
    const std::size_t p = line.find(':');
    if (p == std::string::npos || p < 20) return std::nullopt;
    if (!timecode::isnumeric(line[p - 1])) return std::nullopt;
    SourceTimes t;
    t.timestring = line.substr(p - 2);
    const std::string& ts = t.timestring;
    const std::size_t outAt = ts.size() > 12 && ts[12] == ' ' ? 13 : 12;
    if (ts.size() < outAt + 11) return std::nullopt;
    t.timestring1 = ts.substr(0, 11);
    t.timestring2 = ts.substr(outAt, 11);
    return t;
}

EdlRead ReadEDL(ByteSource& in, EventList& events, bool verbose, timecode::Rate inUse) {
    EdlRead result;
    result.rate = inUse;
    int lineNumber = 0;
    const int first = firstByte(in, lineNumber);
    if (first < 0) {
        result.outcome = EdlRead::Outcome::Empty;
        return result;
    }
    if (first != 'T') {
        result.outcome = EdlRead::Outcome::NotAnEdl;
        return result;
    }
    const int titleLine = lineNumber + 1;
    std::optional<timecode::Rate> listRate; // once the list has said it, or its first event
    const auto skip = [&](const std::string& reason) {
        if (result.skipped < maxSkipReports)
            Utils::OutLine("Skipped EDL line " + std::to_string(lineNumber) + ": " + reason);
        ++result.skipped;
    };
    std::string line;
    bool cut = false;
    int named = -1; // the event stored from the line just before, which a name comment completes
    bool ownLayout = false; // the logger's own layout, whose reel column holds names
    EventComments comments(events, ownLayout);
    std::string title; // the title line's text
    while (ReadLine(in, line, maxLineLength, &cut)) {
        ++lineNumber;
        if (cut) {
            if (result.cutLines < maxSkipReports)
                Utils::OutLine("EDL line " + std::to_string(lineNumber) + " is longer than " +
                               std::to_string(maxLineLength) +
                               " characters: the rest of it was not read");
            ++result.cutLines;
        }
        // The title line, which came without its 'T'.
        if (lineNumber == titleLine && line.starts_with("ITLE:"))
            title = commentText(line, 5, false);
        const int previous = named;
        named = -1;
        const bool nameComment = startsWithComment(line, clipNameComment);
        // After the last event, a line is read only for the comments of that event.
        if (result.stored >= EventList::size && !nameComment) {
            if (comments.comment(line)) continue;
            if (line.size() > 60 && !line.starts_with("TIT") && getsourcetime(line))
                Utils::OutLine("EDL has more than " + std::to_string(EventList::size) +
                               " events: the rest were not loaded");
            break;
        }
        if (line.size() <= 5) continue;
        if (verbose) Utils::OutLine(TextFromBytes(line));
        if (line.starts_with("FCM:")) {
            const bool nonDrop = line.find("NON-DROP") != std::string::npos;
            if (!nonDrop && line.find("DROP") == std::string::npos) continue;
            if (!result.dropFrame) result.dropFrame = !nonDrop;
            if (!listRate) {
                listRate = nonDrop ? timecode::Rate{inUse.fps, false} : timecode::rate30DF;
                result.rateMarked = true;
            }
            continue;
        }
        if (nameComment) {
            if (previous >= 0)
                events.ClipNameArray[previous] =
                    commentText(line, clipNameComment.size() - 1, ownLayout);
            continue;
        }
        if (comments.comment(line)) continue;
        if (line.starts_with("REM Made by")) ownLayout = true;
        if (line.size() <= 60) continue;
        if (line.starts_with("TIT")) continue;
        // The title line, which came without its 'T', however long the file's name.
        if (lineNumber == titleLine && line.starts_with("ITLE:")) continue;
        const std::size_t blankAt = line.find(' ', 5);
        if (blankAt == std::string::npos) break;
        const auto times = getsourcetime(line);
        if (!times) {
            skip("no source times");
            continue;
        }
        if (!listRate) {
            listRate = rateOfTimes(*times);
            result.rateMarked = listRate.has_value();
            if (!listRate) listRate = inUse;
        }
        if (!timecode::IsTimecode(times->timestring1, *listRate) ||
            !timecode::IsTimecode(times->timestring2, *listRate)) {
            skip("source times " + TextFromBytes(times->timestring1) + " " +
                 TextFromBytes(times->timestring2) + " are not timecode at the rate " +
                 timecode::RateText(*listRate));
            continue;
        }
        if (verbose) Utils::OutLine(times->timestring1 + " " + times->timestring2);
        const int k = result.stored++;
        const std::string reel = TextFromBytes(std::string_view(line).substr(5, blankAt - 5));
        events.ClipNameArray[k] =
            ownLayout && line[3] == ' ' && line[4] == ' ' ? columnName(line) : reel;
        comments.event(k, reel);
        events.SrcInArray[k] = times->timestring1;
        events.SrcOutArray[k] =
            ownLayout ? times->timestring2
                      : OutOfListEvent(times->timestring1, times->timestring2, *listRate);
        named = k;
    }
    result.rate = listRate.value_or(inUse);
    comments.finish(result.stored, title);
    // A file of thousands of such lines says so once, not a line each.
    if (result.skipped > maxSkipReports)
        Utils::OutLine("Skipped " + std::to_string(result.skipped) +
                       " EDL lines with no source times in all");
    if (result.cutLines > maxSkipReports)
        Utils::OutLine("Cut " + std::to_string(result.cutLines) + " EDL lines longer than " +
                       std::to_string(maxLineLength) + " characters in all");
    return result;
}
