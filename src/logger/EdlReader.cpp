#include "EdlReader.h"

#include "CmxClips.h"
#include "CmxCommentLine.h"
#include "CmxEventLine.h"
#include "EventComments.h"
#include "ListComments.h"
#include "Utf8Text.h"
#include "Utils.h"

#include <utility>

namespace {

// The line that marks the logger's own layout: its writer (the list and the autosave) puts the
// product's title after "REM Made by " and ends the line with a blank; other tools' "REM Made by"
// lines are read as remarks.
bool ownLayoutMark(std::string_view line) {
    return line.starts_with("REM Made by ") && line.ends_with(' ');
}

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

// A tape, notes or good-take comment in the logger's own layout: what it is and its text.
std::optional<std::pair<CmxComment, std::string>> ownLayoutComment(const std::string& line) {
    for (const auto& [comment, kind] :
         {std::pair{tapeComment, CmxComment::Tape}, std::pair{notesComment, CmxComment::Comment},
          std::pair{goodTakeComment, CmxComment::GoodTake}})
        if (startsWithComment(line, comment))
            return std::pair{kind, commentText(line, comment.size() - 1, true)};
    return std::nullopt;
}

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
std::optional<timecode::Rate> rateOfTimes(const std::string& in, const std::string& out) {
    if (in[8] == ';' || out[8] == ';') return timecode::rate30DF;
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
    std::string line;
    bool cut = false;
    // A list without a title starts with its FCM line or its first event line; a file that
    // starts with anything else is no list.
    const bool titled = first == 'T';
    if (!titled) {
        ReadLine(in, line, maxLineLength - 1, &cut);
        line.insert(0, 1, static_cast<char>(first));
        if (!line.starts_with("FCM:") && !LooksLikeCmxEventLine(line)) {
            result.outcome = EdlRead::Outcome::NotAnEdl;
            return result;
        }
    }
    bool firstLineRead = !titled;
    const int titleLine = titled ? lineNumber + 1 : 0;
    std::optional<timecode::Rate> listRate; // once the list has said it, or its first event
    const auto skip = [&](const std::string& reason) {
        if (result.skipped < maxSkipReports)
            Utils::OutLine("Skipped EDL line " + std::to_string(lineNumber) + ": " + reason);
        result.skips.push_back({lineNumber, reason});
        ++result.skipped;
    };
    // Takes the list's rate from the first event's times when nothing said it before.
    const auto rateFrom = [&](const std::string& sourceIn, const std::string& sourceOut) {
        if (listRate) return;
        listRate = rateOfTimes(sourceIn, sourceOut);
        result.rateMarked = listRate.has_value();
        if (!listRate) listRate = inUse;
    };
    const auto notTimecode = [&](const std::string& sourceIn, const std::string& sourceOut) {
        if (timecode::IsTimecode(sourceIn, *listRate) && timecode::IsTimecode(sourceOut, *listRate))
            return false;
        skip("source times " + TextFromBytes(sourceIn) + " " + TextFromBytes(sourceOut) +
             " are not timecode at the rate " + timecode::RateText(*listRate));
        return true;
    };
    const auto sayMore = [&] {
        result.more = true;
        Utils::OutLine("EDL has more than " + std::to_string(EventList::size) +
                       " events: the rest were not loaded");
    };
    int named = -1; // the event stored from the line just before, which a name comment completes
    bool ownLayout = false; // the logger's own layout, whose reel column holds names
    EventComments comments(events, ownLayout);
    CmxClips otherSystems(events, comments, result);
    bool eventLines = false; // a line was meant as an event line
    std::string title;       // the title line's text
    while (std::exchange(firstLineRead, false) || ReadLine(in, line, maxLineLength, &cut)) {
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
        const auto ownComment = ownLayout ? ownLayoutComment(line) : std::nullopt;
        // After the last event, a line is read only for the comments of that event.
        if (ownLayout && result.stored >= EventList::size && !nameComment) {
            if (ownComment) {
                comments.said(ownComment->first, ownComment->second);
                continue;
            }
            if (line.size() > 60 && !line.starts_with("TIT") && getsourcetime(line)) sayMore();
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
        if (!ownLayout) {
            // Another system's CMX list: event lines read by their fields. Other lines (M2, AUD,
            // REM, other comments) say nothing of the clips.
            if (ownLayoutMark(line)) {
                ownLayout = true;
                continue;
            }
            if (const auto comment = ParseCmxCommentLine(line)) {
                otherSystems.comment(*comment);
                continue;
            }
            const auto event = ParseCmxEventLine(line);
            if (!event) {
                if (!LooksLikeCmxEventLine(line)) continue;
                eventLines = true;
                skip("no event: its number, reel, channels, transition or times cannot be read");
                otherSystems.noClip();
                continue;
            }
            eventLines = true;
            rateFrom(event->sourceIn, event->sourceOut);
            if (notTimecode(event->sourceIn, event->sourceOut)) {
                otherSystems.noClip();
                continue;
            }
            if (verbose) Utils::OutLine(event->sourceIn + " " + event->sourceOut);
            if (otherSystems.event(*event, *listRate)) continue;
            sayMore();
            break;
        }
        if (nameComment) {
            if (previous >= 0)
                events.ClipNameArray[previous] =
                    commentText(line, clipNameComment.size() - 1, ownLayout);
            continue;
        }
        if (ownComment) {
            comments.said(ownComment->first, ownComment->second);
            continue;
        }
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
        rateFrom(times->timestring1, times->timestring2);
        if (notTimecode(times->timestring1, times->timestring2)) continue;
        if (verbose) Utils::OutLine(times->timestring1 + " " + times->timestring2);
        const int k = result.stored++;
        const std::string reel = TextFromBytes(std::string_view(line).substr(5, blankAt - 5));
        events.ClipNameArray[k] = line[3] == ' ' && line[4] == ' ' ? columnName(line) : reel;
        comments.event(k, reel);
        events.SrcInArray[k] = times->timestring1;
        events.SrcOutArray[k] = times->timestring2;
        named = k;
    }
    if (!titled && !eventLines) result.outcome = EdlRead::Outcome::NotAnEdl;
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
