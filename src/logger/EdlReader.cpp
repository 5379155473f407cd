#include "EdlReader.h"

#include "Utf8Text.h"
#include "Utils.h"

namespace {

bool blank(int c) {
    return c == ' ' || c == '\t';
}

// The text after a comment's colon, without the blanks before it, as UTF-8.
std::string commentText(const std::string& line, std::size_t colonEnd) {
    std::size_t at = colonEnd;
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
    bool tapeSaid = false;
    std::optional<std::string> reel; // the reel every event so far has, else ""
    while (ReadLine(in, line, maxLineLength, &cut)) {
        ++lineNumber;
        if (cut) {
            if (result.cutLines < maxSkipReports)
                Utils::OutLine("EDL line " + std::to_string(lineNumber) + " is longer than " +
                               std::to_string(maxLineLength) +
                               " characters: the rest of it was not read");
            ++result.cutLines;
        }
        const int previous = named;
        named = -1;
        const bool nameComment = startsWithComment(line, clipNameComment);
        // After the last event, a line is read only for the full name of that event.
        if (result.stored >= EventList::size && !nameComment) {
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
                events.ClipNameArray[previous] = commentText(line, clipNameComment.size() - 1);
            continue;
        }
        if (startsWithComment(line, tapeComment)) {
            events.tape = commentText(line, tapeComment.size() - 1);
            tapeSaid = true;
            continue;
        }
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
        const std::string name = ownLayout && line[3] == ' ' && line[4] == ' '
                                     ? columnName(line)
                                     : TextFromBytes(std::string_view(line).substr(5, blankAt - 5));
        events.ClipNameArray[k] = name;
        reel = !reel || *reel == name ? name : "";
        events.SrcInArray[k] = times->timestring1;
        events.SrcOutArray[k] =
            ownLayout ? times->timestring2
                      : OutOfListEvent(times->timestring1, times->timestring2, *listRate);
        named = k;
    }
    result.rate = listRate.value_or(inUse);
    // In other systems' lists, and in CMX 3600, the reel column is the tape.
    if (!ownLayout && !tapeSaid && reel && *reel != "AX") events.tape = *reel;
    // A file of thousands of such lines says so once, not a line each.
    if (result.skipped > maxSkipReports)
        Utils::OutLine("Skipped " + std::to_string(result.skipped) +
                       " EDL lines with no source times in all");
    if (result.cutLines > maxSkipReports)
        Utils::OutLine("Cut " + std::to_string(result.cutLines) + " EDL lines longer than " +
                       std::to_string(maxLineLength) + " characters in all");
    return result;
}
