#include "CaptureClip.h"

std::optional<CaptureClip> ClipOf(const EventList& events, int i, timecode::Rate rate) {
    if (i < 0 || i >= EventList::size) return std::nullopt;
    const std::string& in = events.SrcInArray[i];
    const std::string& out = events.SrcOutArray[i];
    if (!timecode::IsTimecode(in, rate) || !timecode::IsTimecode(out, rate)) return std::nullopt;
    const int inFrames = *timecode::FrameCount(in, rate);
    const int outFrames = *timecode::FrameCount(out, rate);
    if (outFrames <= inFrames) return std::nullopt;
    return CaptureClip{i + 1,
                       events.ClipNameArray[i],
                       timecode::WithSeparator(in, rate),
                       timecode::WithSeparator(out, rate),
                       inFrames,
                       outFrames,
                       events.TapeArray[i]};
}

std::vector<CaptureClip> ClipsToCapture(const EventList& events, timecode::Rate rate) {
    int last = -1;
    for (int i = 0; i < EventList::size; ++i)
        if (!timecode::IsZero(events.SrcOutArray[i])) last = i;
    std::vector<CaptureClip> clips;
    for (int i = 0; i <= last; ++i)
        if (auto clip = ClipOf(events, i, rate)) clips.push_back(*clip);
    return clips;
}
