#pragma once

#include "Timecode.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// A lossless copy of exactly a clip's frames cut from its recording with handles, by the
// CaptureTrimCommand setting's command. The recording is left as it is; the copy is named after
// it with ".trim" before its extension, so that the recording keeps the name the capture gave
// it and the two sort side by side ("007_Take.mkv", "007_Take.trim.mkv").

// The default trim: a stream copy from the first kept frame, of exactly {frames} pictures,
// tagged with the in point:
//   ffmpeg -nostdin -v error -n -ss {start} -i {source} -map 0 -map -0:d? -c copy
//          -frames:v {frames} -metadata:s:v:0 timecode={in} -timecode {in} {target}
// Frame exact when every picture is a key frame (ffv1 with -g 1, ProRes, DNxHD, MJPEG, raw): a
// copy seeking to {start} starts at the picture shown at that moment, and -frames:v ends it
// after {frames}. (From a long-GOP recording a copy starts at the key frame before, so it is
// not exact; nor is ffv1 with its default GOP.) The audio is copied in whole packets: it starts
// with the first packet that begins at or after the first picture and ends with the last one
// that begins before the last picture does, so it can be up to about a frame and a packet
// shorter than the pictures. The recording's data streams (an old timecode track) are left out,
// and the picture stream's timecode tag, like the file's, is set to the in point.
std::vector<std::string> DefaultTrimWords();

// The trim's words, or why there are none: the setting's words when it is set and not blank
// ("CaptureTrimCommand has a quote left open" when it cannot be split), else the default.
struct TrimCommand {
    std::vector<std::string> words;
    std::string problem;
};
TrimCommand TrimCommandOf(const std::optional<std::string>& setting);

// The trimmed copy's path: ".trim" before the extension of the file name ("a/b.c/clip.mkv"
// gives "a/b.c/clip.trim.mkv"), or after a name without one ("clip", ".mkv" give "clip.trim",
// ".mkv.trim").
std::string TrimTarget(const std::string& source);
// True for a name TrimTarget gives: the file name (after the last '/') holds ".trim." or ends in
// ".trim".
bool IsTrimmedName(const std::string& path);

struct TrimJob {
    std::string source;  // the recording with handles, {source}
    std::string target;  // the copy to make, {target}; must not exist yet
    int startFrame = 0;  // the recording's frame index of the first frame kept, {startframe}
    int frames = 0;      // how many to keep, {frames}
    std::string in;      // the in point's timecode text at the rate, {in}
    timecode::Rate rate; // {rate}: "30", "25" or "30000/1001"
    // Seconds from the recording's start to its first picture (ProbeResult::videoStart): a
    // recording whose audio begins first has its pictures that much later.
    double videoStart = 0;
};

// The trim words with the job's values in place of the placeholders; {start} is the time of the
// first kept frame in the recording: FrameSeconds(startFrame, rate, videoStart).
std::vector<std::string> TrimArgv(const std::vector<std::string>& words, const TrimJob& job);

// Makes the trimmed copy with the trim words (none: DefaultTrimWords()), then counts its frames
// with the probe words ({path}: the copy).
// Empty when the copy holds exactly job.frames frames; else the reason, and a copy this run
// made is removed, so that it is not taken for the clip: "<target> exists: not overwritten",
// "nothing to keep", the command's failure, "the trimmed file holds 40 frames, not 50: removed",
// "the trimmed file cannot be counted: <why>: removed". Each program may run for timeout.
std::string TrimClip(const std::vector<std::string>& trimWords,
                     const std::vector<std::string>& probeWords, const TrimJob& job,
                     std::chrono::milliseconds timeout);
