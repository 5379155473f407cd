#include "LoggedClips.h"

#include "CaptureClip.h"

namespace {
std::string OneLine(std::string name, int event) {
    bool blank = true;
    for (char& c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
        if (c != ' ') blank = false;
    }
    if (!blank) return name;
    std::string number = std::to_string(event);
    return "Event " + std::string(number.size() < 3 ? 3 - number.size() : 0, '0') + number;
}
} // namespace

std::vector<LoggedClip> LoggedClipsOf(const EventList& events, timecode::Rate rate) {
    std::vector<LoggedClip> clips;
    for (const CaptureClip& clip : ClipsToCapture(events, rate))
        clips.push_back({OneLine(clip.name, clip.event), clip.in, clip.inFrames, clip.outFrames});
    return clips;
}
