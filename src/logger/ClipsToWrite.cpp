#include "ClipsToWrite.h"

#include <algorithm>

namespace {

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

std::string EditNumberText(int number) {
    std::string text = std::to_string(number);
    if (text.size() < 3) text.insert(0, 3 - text.size(), '0');
    return text;
}

std::vector<ClipToWrite> ClipsToWrite(const EventList& events, timecode::Rate rate,
                                      int recordStart) {
    std::vector<ClipToWrite> clips;
    const int count = EventsToWrite(events);
    int recordIn = recordStart;
    for (int i = 0; i < count; ++i) {
        ClipToWrite clip;
        clip.number = i + 1;
        clip.name = OneLine(events.ClipNameArray[i]);
        clip.tape = OneLine(events.TapeArray[i]);
        clip.notes = OneLine(events.NotesArray[i]);
        clip.good = events.GoodArray[i];
        clip.in = timecode::WithSeparator(events.SrcInArray[i], rate);
        clip.out = timecode::WithSeparator(events.SrcOutArray[i], rate);
        clip.forOtherSystems = TimesForOtherSystems(events, i, rate);
        clip.frames = ClipFrames(events, i, rate);
        clip.recordIn = recordIn;
        clip.recordOut = RecordTimeAfter(recordIn, clip.frames, rate);
        recordIn = clip.recordOut;
        clips.push_back(std::move(clip));
    }
    return clips;
}
