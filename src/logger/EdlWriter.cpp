#include "EdlWriter.h"

#include "Utf8Text.h"

#include <algorithm>
#include <cctype>

namespace {
const std::string crlf = "\r\n";
const std::string autosaveTitle = "KOLB_Autosave.edl";

std::string header(const std::string& savename, const std::string& title, EdlLayout layout,
                   timecode::Rate rate) {
    const std::string fcm = rate.dropFrame ? "FCM: DROP FRAME" : "FCM: NON-DROP FRAME";
    if (layout == EdlLayout::Cmx3600) return "TITLE: " + savename + crlf + fcm + crlf + crlf;
    return "TITLE: " + savename + " " + crlf + "REM Made by " + title + " " + crlf + fcm + " " +
           crlf;
}

// A text for one line of a list: CR and LF become blanks.
std::string oneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\r', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

// What is wrong with event index i, or nothing.
std::string problemOf(const EventList& events, int i, timecode::Rate rate) {
    const std::string& in = events.SrcInArray[i];
    const std::string& out = events.SrcOutArray[i];
    const bool noIn = in == timecode::zero;
    const bool noOut = out == timecode::zero;
    if (noIn && noOut) return "no in or out point";
    if (!timecode::IsTimecode(in, rate))
        return "in " + in + " is not a timecode at the rate " + timecode::RateText(rate);
    if (!timecode::IsTimecode(out, rate))
        return "out " + out + " is not a timecode at the rate " + timecode::RateText(rate);
    if (noIn) return "no in point";
    if (noOut) return "no out point";
    if (*timecode::FrameCount(out, rate) <= *timecode::FrameCount(in, rate))
        return "out " + out + " is not after in " + in;
    return {};
}

// The record time a count of frames from 01:00:00:00 reaches, within one day.
int wrapped(int frames, timecode::Rate rate) {
    const int day = timecode::FramesPerDay(rate);
    return ((frames % day) + day) % day;
}

// One event's line (and the name comment that follows it in a CMX list), with its record times.
std::string eventText(const EventList& events, int i, EdlLayout layout, int recordIn, int recordOut,
                      timecode::Rate rate, bool timesAsHeld) {
    const auto sourceTime = [&](const std::string& time) {
        return timesAsHeld ? time : timecode::WithSeparator(time, rate);
    };
    const std::string times =
        sourceTime(events.SrcInArray[i]) + " " + sourceTime(events.SrcOutArray[i]) + " " +
        timecode::TimeText(recordIn, rate) + " " + timecode::TimeText(recordOut, rate);
    const std::string& name = events.ClipNameArray[i];
    if (layout == EdlLayout::Cmx3600)
        return EditNumberText(i + 1) + "  " + CmxReelText(name) + " AA/V  C        " + times +
               crlf + "* FROM CLIP NAME: " + oneLine(name) + crlf;
    return EditNumberText(i + 1) + "  " + ReelText(name) + "   AA/V  C        " + times + " " +
           crlf;
}

// The event lines of events 1 to count, record times running on from 01:00:00:00. A save
// (invalidEvent given) writes nothing when a source time holds a non-digit and sets invalidEvent;
// the autosave (none given) writes such an event too, with no record time.
std::string eventLines(const EventList& events, int count, EdlLayout layout, timecode::Rate rate,
                       bool timesAsHeld, bool nameComments, int* invalidEvent) {
    std::string bytes;
    int recordIn = timecode::CountOf(1, 0, 0, 0, rate); // 01:00:00:00
    for (int i = 0; i < count; ++i) {
        const auto start = timecode::FrameCount(events.SrcInArray[i], rate);
        const auto end = timecode::FrameCount(events.SrcOutArray[i], rate);
        if ((!start || !end) && invalidEvent) {
            *invalidEvent = i + 1;
            return {};
        }
        const bool counts = start && end && problemOf(events, i, rate).empty();
        const int duration = counts ? *end - *start : 0;
        const int recordOut = wrapped(recordIn + duration, rate);
        bytes += eventText(events, i, layout, recordIn, recordOut, rate, timesAsHeld);
        if (nameComments) bytes += "* FROM CLIP NAME: " + oneLine(events.ClipNameArray[i]) + crlf;
        recordIn = recordOut;
    }
    return bytes;
}
} // namespace

int EventsToWrite(const EventList& events) {
    int count = 1;
    for (int i = 1; i < EventList::size; ++i)
        if (events.touched(i)) count = i + 1;
    return count;
}

std::vector<EventProblem> CheckEvents(const EventList& events, timecode::Rate rate) {
    std::vector<EventProblem> problems;
    const int count = EventsToWrite(events);
    for (int i = 0; i < count; ++i) {
        const std::string problem = problemOf(events, i, rate);
        if (!problem.empty())
            problems.push_back({i + 1, "Event " + EditNumberText(i + 1) + ": " + problem});
    }
    return problems;
}

std::string EditNumberText(int number) {
    std::string text = std::to_string(number);
    if (text.size() < 3) text.insert(0, 3 - text.size(), '0');
    return text;
}

std::string ReelText(const std::string& name) {
    std::string reel = name.empty() ? "S" : oneLine(FirstChars(name, 6));
    std::replace(reel.begin(), reel.end(), ':', '_');
    std::size_t chars = CharCount(reel);
    do {
        reel += ' ';
    } while (++chars < 6);
    return reel;
}

std::string CmxReelText(const std::string& name) {
    std::string reel;
    for (std::size_t at = 0; at < name.size() && reel.size() < 8; ++at) {
        const auto c = static_cast<unsigned char>(name[at]);
        if ((c & 0xC0) == 0x80) continue; // the rest of a character already replaced
        const bool plain = std::isalnum(c) || c == '_' || c == '-';
        reel += plain ? static_cast<char>(c) : '_';
    }
    if (reel.empty()) reel = "AX";
    reel.resize(8, ' ');
    return reel;
}

EdlText FormatEDL(const EventList& events, const std::string& savename, const std::string& title,
                  EdlLayout layout, timecode::Rate rate) {
    EdlText out;
    const std::string lines =
        eventLines(events, EventsToWrite(events), layout, rate, false, false, &out.invalidEvent);
    if (out.invalidEvent != 0) return out;
    out.bytes = header(savename, title, layout, rate);
    // The tape the whole log is of, so a list read back is the log that was saved.
    if (!events.tape.empty()) out.bytes += "* TAPE: " + oneLine(events.tape) + crlf;
    out.bytes += lines;
    return out;
}

std::string AutosaveText(const EventList& events, const std::string& title, timecode::Rate rate) {
    std::string bytes = header(autosaveTitle, title, EdlLayout::Standard, rate);
    if (!events.tape.empty()) bytes += "* TAPE: " + oneLine(events.tape) + crlf;
    int count = 1;
    for (int i = 1; i < EventList::size; ++i)
        if (events.touched(i)) count = i + 1;
    bytes += eventLines(events, count, EdlLayout::Standard, rate, true, true, nullptr);
    return bytes;
}
