#pragma once

#include "Timecode.h"

#include <optional>
#include <string>

// The four numbers of a cue text: the digit pairs at positions 0-1, 3-4, 6-7 and 9-10, each
// 0 to 99 (not held to the usual ranges). Positions 2, 5 and 8 are not looked at, nor anything
// after position 10.
struct CueTime {
    int hours, minutes, seconds, frames;
};

// Nothing when the text is shorter than 11 characters or has a non-digit at a digit position.
std::optional<CueTime> ReadCueText(const std::string& text);

// The frame count at the rate in use; at 30 non-drop hours x 108000 + minutes x 1800 +
// seconds x 30 + frames.
int FrameCount(const CueTime& t, timecode::Rate rate = timecode::rate30);
