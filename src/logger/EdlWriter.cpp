#include "EdlWriter.h"

#include "Utf8Text.h"

#include <algorithm>

namespace {
const std::string crlf = "\r\n";
const std::string autosaveTitle = "KOLB_Autosave.edl";

std::string header(const std::string& savename, const std::string& title, timecode::Rate rate) {
    const std::string fcm = rate.dropFrame ? "FCM: DROP FRAME" : "FCM: NON-DROP FRAME";
    return "TITLE: " + savename + " " + crlf + "REM Made by " + title + " " + crlf + fcm + " " +
           crlf;
}

enum class Lack { None, Neither, In, Out, Order, NotTimecode };

struct Problem {
    Lack lack = Lack::None;
    std::string text; // what is wrong, or nothing
};

// What is wrong with event index i, or nothing.
Problem problemOf(const EventList& events, int i, timecode::Rate rate) {
    const std::string& in = events.SrcInArray[i];
    const std::string& out = events.SrcOutArray[i];
    const bool noIn = timecode::IsZero(in);
    const bool noOut = timecode::IsZero(out);
    if (noIn && noOut) return {Lack::Neither, "no in or out point"};
    if (!timecode::IsTimecode(in, rate))
        return {Lack::NotTimecode,
                "in " + in + " is not a timecode at the rate " + timecode::RateText(rate)};
    if (!timecode::IsTimecode(out, rate))
        return {Lack::NotTimecode,
                "out " + out + " is not a timecode at the rate " + timecode::RateText(rate)};
    if (noIn) return {Lack::In, "no in point"};
    if (noOut) return {Lack::Out, "no out point"};
    if (*timecode::FrameCount(out, rate) <= *timecode::FrameCount(in, rate))
        return {Lack::Order, "out " + out + " is not after in " + in};
    return {};
}

// One event's line, with its record times.
std::string eventText(const EventList& events, int i, int recordIn, int recordOut,
                      timecode::Rate rate, bool timesAsHeld) {
    const auto sourceTime = [&](const std::string& time) {
        return timesAsHeld ? time : timecode::WithSeparator(time, rate);
    };
    const std::string times =
        sourceTime(events.SrcInArray[i]) + " " + sourceTime(events.SrcOutArray[i]) + " " +
        timecode::TimeText(recordIn, rate) + " " + timecode::TimeText(recordOut, rate);
    return EditNumberText(i + 1) + "  " + ReelText(events.ClipNameArray[i]) + "   AA/V  C        " +
           times + " " + crlf;
}

// The event lines of events 1 to count, record times running on from 01:00:00:00; the autosave
// follows each with its name comment.
std::string eventLines(const EventList& events, int count, timecode::Rate rate, bool autosave) {
    std::string bytes;
    int recordIn = timecode::CountOf(1, 0, 0, 0, rate);
    for (int i = 0; i < count; ++i) {
        const int recordOut = RecordTimeAfter(recordIn, ClipFrames(events, i, rate), rate);
        bytes += eventText(events, i, recordIn, recordOut, rate, autosave);
        if (autosave) bytes += "* FROM CLIP NAME: " + OneLine(events.ClipNameArray[i]) + crlf;
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
        const Problem problem = problemOf(events, i, rate);
        if (problem.lack == Lack::None) continue;
        std::string text = "Event " + EditNumberText(i + 1) + ": " + problem.text;
        if (problem.lack != Lack::NotTimecode) {
            const ListTimes written = TimesForOtherSystems(events, i, rate);
            text += " (CMX 3600 and ALE: " + written.in + " to " + written.out + ", no length)";
        }
        problems.push_back({i + 1, text});
    }
    return problems;
}

std::string EditNumberText(int number) {
    std::string text = std::to_string(number);
    if (text.size() < 3) text.insert(0, 3 - text.size(), '0');
    return text;
}

std::string ReelText(const std::string& name) {
    std::string reel = name.empty() ? "S" : OneLine(FirstChars(name, 6));
    std::replace(reel.begin(), reel.end(), ':', '_');
    std::size_t chars = CharCount(reel);
    do {
        reel += ' ';
    } while (++chars < 6);
    return reel;
}

int InvalidEvent(const EventList& events, timecode::Rate rate) {
    const int count = EventsToWrite(events);
    for (int i = 0; i < count; ++i)
        if (!timecode::FrameCount(events.SrcInArray[i], rate) ||
            !timecode::FrameCount(events.SrcOutArray[i], rate))
            return i + 1;
    return 0;
}

int ClipFrames(const EventList& events, int i, timecode::Rate rate) {
    if (problemOf(events, i, rate).lack != Lack::None) return 0;
    return *timecode::FrameCount(events.SrcOutArray[i], rate) -
           *timecode::FrameCount(events.SrcInArray[i], rate);
}

ListTimes TimesForOtherSystems(const EventList& events, int i, timecode::Rate rate) {
    ListTimes times{timecode::WithSeparator(events.SrcInArray[i], rate),
                    timecode::WithSeparator(events.SrcOutArray[i], rate)};
    switch (problemOf(events, i, rate).lack) {
    case Lack::None:
    case Lack::NotTimecode:
        break;
    case Lack::Neither:
        times.in = times.out = timecode::TimeText(0, rate);
        break;
    case Lack::In:
        times.in = times.out;
        break;
    case Lack::Out:
    case Lack::Order:
        times.out = times.in;
        break;
    }
    return times;
}

int RecordTimeAfter(int recordIn, int frames, timecode::Rate rate) {
    const int day = timecode::FramesPerDay(rate);
    return (((recordIn + frames) % day) + day) % day;
}

std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\r', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

std::string StandardText(const EventList& events, const std::string& savename,
                         const std::string& title, timecode::Rate rate) {
    std::string bytes = header(savename, title, rate);
    // The tape the whole log is of, so a list read back is the log that was saved.
    if (!events.tape.empty()) bytes += "* TAPE: " + OneLine(events.tape) + crlf;
    return bytes + eventLines(events, EventsToWrite(events), rate, false);
}

std::string AutosaveText(const EventList& events, const std::string& title, timecode::Rate rate) {
    std::string bytes = header(autosaveTitle, title, rate);
    if (!events.tape.empty()) bytes += "* TAPE: " + OneLine(events.tape) + crlf;
    int count = 1;
    for (int i = 1; i < EventList::size; ++i)
        if (events.touched(i)) count = i + 1;
    return bytes + eventLines(events, count, rate, true);
}
