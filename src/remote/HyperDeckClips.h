#pragma once

#include "DeckState.h"

#include <optional>
#include <string>
#include <vector>

// The open logger's clips in the HyperDeck protocol's terms. Clip ids count from 1 in the log's
// order; times are at the rate in use, durations are frame counts written as non-drop timecode.
namespace hyperdeck {

// The clip under the playhead: of those whose in to out holds the frame, the one that starts
// last (a goto to a clip's in finds that clip, even inside another); 0 for none.
int CurrentClip(const std::vector<LoggedClip>& clips, int frames);
// The clip with the latest in point at or before the frame (of two alike, the later in the list);
// 0 when the frame is before every clip.
int ClipBefore(const std::vector<LoggedClip>& clips, int frames);
// A "clip id" parameter: "N", or "+N"/"-N" from the clip `from` (0 for none: +1 is the first).
// Nothing when the text is not such a number; the id may be out of range.
std::optional<int> ClipIdOf(const std::string& text, int from);

// 214.
std::string ClipsCount(const std::vector<LoggedClip>& clips);
// 205 for `count` clips from id `first` (count 0: to the last). Version 1 lines are
// "id: name start duration", version 2 "id: start duration in out name".
std::string ClipsInfo(const std::vector<LoggedClip>& clips, int first, int count, int version,
                      timecode::Rate rate);
// 206: "id: name codec format duration" for each clip, in the tape's video format.
std::string DiskList(const std::vector<LoggedClip>& clips, timecode::Rate rate);

} // namespace hyperdeck
