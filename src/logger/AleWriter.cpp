#include "AleWriter.h"

#include "ClipsToWrite.h"

#include <algorithm>

namespace {
const std::string crlf = "\r\n";

// A field of a tab-separated line.
std::string field(std::string text) {
    std::replace(text.begin(), text.end(), '\t', ' ');
    return text;
}
} // namespace

std::string AleText(const EventList& events, timecode::Rate rate) {
    const bool pal = rate.fps == 25;
    std::string text = "Heading" + crlf + "FIELD_DELIM\tTABS" + crlf + "VIDEO_FORMAT\t" +
                       (pal ? "PAL" : "NTSC") + crlf + "AUDIO_FORMAT\t48khz" + crlf + "FPS\t" +
                       (pal ? "25" : "29.97") + crlf + crlf + "Column" + crlf +
                       "Name\tTape\tStart\tEnd\tDuration\tTracks\tComments\tGood" + crlf + crlf +
                       "Data" + crlf;
    for (const ClipToWrite& clip : ClipsToWrite(events, rate, 0))
        text += field(clip.name) + "\t" + field(clip.tape) + "\t" + clip.forOtherSystems.in + "\t" +
                clip.forOtherSystems.out + "\t" + timecode::TimeText(clip.frames, rate) +
                "\tVA1A2\t" + field(clip.notes) + "\t" + (clip.good ? "Yes" : "") + crlf;
    return text;
}
