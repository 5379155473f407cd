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

std::string AleText(const EventList& events, timecode::Rate rate, std::string_view rateName) {
    const bool pal = rate.fps == 25;
    const std::string format = !rateName.empty() ? "1080" : pal ? "PAL" : "NTSC";
    const std::string fps = !rateName.empty() ? std::string(rateName) : pal ? "25" : "29.97";
    std::string text =
        "Heading" + crlf + "FIELD_DELIM\tTABS" + crlf + "VIDEO_FORMAT\t" + format + crlf +
        "AUDIO_FORMAT\t48khz" + crlf + "FPS\t" + fps + crlf + crlf + "Column" + crlf +
        "Name\tTape\tStart\tEnd\tDuration\tTracks\tComments\tGood" + crlf + crlf + "Data" + crlf;
    for (const ClipToWrite& clip : ClipsToWrite(events, rate, 0))
        text += field(clip.name) + "\t" + field(clip.tape) + "\t" + clip.forOtherSystems.in + "\t" +
                clip.forOtherSystems.out + "\t" + timecode::TimeText(clip.frames, rate) +
                "\tVA1A2\t" + field(clip.notes) + "\t" + (clip.good ? "Yes" : "") + crlf;
    return text;
}
