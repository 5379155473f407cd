#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How many pictures a recorded file holds, from a probe program: the CaptureProbe setting's
// command with {path} for the file, by default ffprobe counting the video packets.

// The default probe. It counts packets (-count_packets), which reads the file without decoding
// it: for the intra-only codecs a capture is recorded in (ffv1 with -g 1, ProRes, DNxHD, MJPEG,
// raw video) every packet is one whole picture, so the count is the frame count, found at the
// speed the file can be read (decoding with -count_frames took 26 times as long on a 1080-line
// ffv1 file). The flat output names every value, so their order does not matter, and it also gives
// where the video starts in the file, which a trim must know.
std::vector<std::string> DefaultProbeCommand();

// The probe's words, or why there are none: the setting's words when it is set and not blank
// ("CaptureProbe has a quote left open" when it cannot be split), else the default when
// ffprobe is on PATH, else "no CaptureProbe set and no ffprobe on PATH".
struct ProbeCommand {
    std::vector<std::string> words;
    std::string problem;
};
ProbeCommand ProbeCommandOf(const std::optional<std::string>& setting, bool ffprobeOnPath);

// What a probe's output says about a file.
struct ProbeResult {
    std::optional<int> frames; // nothing when no count was found (then problem says why)
    std::string rate;          // the video's rate as printed ("30000/1001"), or ""
    // Seconds from the file's start to its first video frame: the video stream's start_time
    // less the file's (both printed by the default probe), else 0.
    double videoStart = 0;
    std::string problem;
};

// Reads a probe's standard output. Lines may be key=value (ffprobe's flat or default writers,
// values in quotes or not): nb_read_packets, nb_read_frames or nb_frames give the count,
// r_frame_rate the rate, start_time the stream's or (a key beginning "format") the file's
// start. Other lines are comma-separated fields (the csv writer, or a lone number from a
// script): the last field that is a whole number is the count, one like "30000/1001" the
// rate. The first line giving a count wins. "N/A", negative or too large numbers are no count.
ProbeResult ParseProbe(std::string_view out);

// Runs the probe words with {path} replaced by the file, and reads its output; the problem is
// why the run failed or why its output holds no count.
ProbeResult ProbeFrames(const std::vector<std::string>& words, const std::string& path,
                        std::chrono::milliseconds timeout);
