#include "EdlReader.h"

#include "Timecode.h"
#include "Utils.h"

bool ReadLine(ByteSource& in, std::string& line, std::size_t maxLength) {
    line.clear();
    int c = in.get();
    if (c < 0) return false;
    while (c >= 0 && c != '\n' && c != '\r') {
        if (line.size() < maxLength) line += static_cast<char>(c);
        c = in.get();
    }
    if (c == '\r' && in.peek() == '\n') in.get();
    return true;
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

EdlRead ReadEDL(ByteSource& in, EventList& events, bool verbose) {
    EdlRead result;
    const int first = in.get();
    if (first < 0) {
        result.outcome = EdlRead::Outcome::Empty;
        return result;
    }
    if (first != 'T') {
        result.outcome = EdlRead::Outcome::NotAnEdl;
        return result;
    }
    std::string line;
    int lineNumber = 0;
    int named = -1; // the event stored from the line just before, which a name comment completes
    while (ReadLine(in, line)) {
        ++lineNumber;
        const int previous = named;
        named = -1;
        const bool nameComment = line.starts_with(clipNameComment);
        // After the last event, a line is read only for the full name of that event.
        if (result.stored >= EventList::size && !nameComment) {
            if (line.size() > 60 && !line.starts_with("TIT") && getsourcetime(line))
                Utils::OutLine("EDL has more than " + std::to_string(EventList::size) +
                               " events: the rest were not loaded");
            break;
        }
        if (line.size() <= 5) continue;
        if (verbose) Utils::OutLine(line);
        if (line.starts_with("FCM:")) {
            if (line.find("NON-DROP") != std::string::npos)
                result.dropFrame = false;
            else if (line.find("DROP") != std::string::npos)
                result.dropFrame = true;
            continue;
        }
        if (nameComment) {
            if (previous >= 0) events.ClipNameArray[previous] = line.substr(clipNameComment.size());
            continue;
        }
        if (line.size() <= 60) continue;
        if (line.starts_with("TIT")) continue;
        // The title line, which came without its 'T', however long the file's name.
        if (lineNumber == 1 && line.starts_with("ITLE:")) continue;
        const std::size_t blank = line.find(' ', 5);
        if (blank == std::string::npos) break;
        const auto times = getsourcetime(line);
        if (!times) {
            if (result.skipped < maxSkipReports)
                Utils::OutLine("Skipped EDL line " + std::to_string(lineNumber) +
                               ": no source times");
            ++result.skipped;
            continue;
        }
        if (verbose) Utils::OutLine(times->timestring1 + " " + times->timestring2);
        const int k = result.stored++;
        events.ClipNameArray[k] = line.substr(5, blank - 5);
        events.SrcInArray[k] = times->timestring1;
        events.SrcOutArray[k] = times->timestring2;
        named = k;
    }
    // A file of thousands of such lines says so once, not a line each.
    if (result.skipped > maxSkipReports)
        Utils::OutLine("Skipped " + std::to_string(result.skipped) +
                       " EDL lines with no source times in all");
    return result;
}
