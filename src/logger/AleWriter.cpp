#include "AleWriter.h"

#include "EdlWriter.h"

#include <algorithm>

namespace {
const std::string crlf = "\r\n";

// A field of a tab-separated line.
std::string field(std::string text) {
    for (const char c : {'\t', '\r', '\n'}) std::replace(text.begin(), text.end(), c, ' ');
    return text;
}
} // namespace

std::string AleText(const EventList& events, timecode::Rate rate) {
    const bool pal = rate.fps == 25;
    std::string text = "Heading" + crlf + "FIELD_DELIM\tTABS" + crlf + "VIDEO_FORMAT\t" +
                       (pal ? "PAL" : "NTSC") + crlf + "AUDIO_FORMAT\t48khz" + crlf + "FPS\t" +
                       (pal ? "25" : "29.97") + crlf + crlf + "Column" + crlf +
                       "Name\tTape\tStart\tEnd\tDuration\tTracks" + crlf + crlf + "Data" + crlf;
    const int count = EventsToWrite(events);
    for (int i = 0; i < count; ++i) {
        const ListTimes times = TimesForOtherSystems(events, i, rate);
        text += field(events.ClipNameArray[i]) + "\t" + field(events.tape) + "\t" + times.in +
                "\t" + times.out + "\t" + timecode::TimeText(ClipFrames(events, i, rate), rate) +
                "\tVA1A2" + crlf;
    }
    return text;
}
