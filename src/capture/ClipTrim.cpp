#include "ClipTrim.h"

#include "FrameProbe.h"
#include "FrameTimes.h"
#include "Placeholders.h"
#include "RecorderCommand.h"
#include "ToolRun.h"
#include "Utf8Text.h"

#include <filesystem>
#include <system_error>

std::vector<std::string> DefaultTrimWords() {
    return *SplitCommand("ffmpeg -nostdin -v error -n -ss {start} -i {source} -map 0 -map -0:d? "
                         "-c copy -frames:v {frames} -metadata:s:v:0 timecode={in} "
                         "-timecode {in} {target}");
}

TrimCommand TrimCommandOf(const std::optional<std::string>& setting) {
    if (!setting || setting->find_first_not_of(" \t") == std::string::npos)
        return {DefaultTrimWords(), ""};
    auto words = SplitCommand(*setting);
    if (!words) return {{}, "CaptureTrimCommand has a quote left open"};
    return {*words, ""};
}

std::string TrimTarget(const std::string& source) {
    const std::size_t nameAt = source.find_last_of('/') + 1;
    const std::size_t dot = source.find_last_of('.');
    if (dot == std::string::npos || dot <= nameAt) return source + ".trim";
    return source.substr(0, dot) + ".trim" + source.substr(dot);
}

bool IsTrimmedName(const std::string& path) {
    const std::string name = path.substr(path.find_last_of('/') + 1);
    return name.find(".trim.") != std::string::npos ||
           (name.size() >= 5 && name.compare(name.size() - 5, 5, ".trim") == 0);
}

std::vector<std::string> TrimArgv(const std::vector<std::string>& words, const TrimJob& job) {
    return FillPlaceholders(
        words, {
                   {"source", job.source},
                   {"target", job.target},
                   {"start", FrameSeconds(job.startFrame, job.rate, job.videoStart)},
                   {"startframe", std::to_string(job.startFrame)},
                   {"frames", std::to_string(job.frames)},
                   {"in", job.in},
                   {"rate", job.rate.dropFrame ? "30000/1001" : std::to_string(job.rate.fps)},
               });
}

std::string TrimClip(const std::vector<std::string>& trimWords,
                     const std::vector<std::string>& probeWords, const TrimJob& job,
                     std::chrono::milliseconds timeout) {
    std::error_code error;
    if (std::filesystem::exists(job.target, error)) return job.target + " exists: not overwritten";
    if (job.frames <= 0 || job.startFrame < 0) return "nothing to keep";
    const auto removed = [&](const std::string& why) {
        std::error_code ignored;
        std::filesystem::remove(job.target, ignored);
        return why;
    };
    const auto argv = TrimArgv(trimWords.empty() ? DefaultTrimWords() : trimWords, job);
    if (const std::string failure = FailureOf(argv, RunTool(argv, timeout)); !failure.empty())
        return removed(failure);
    const ProbeResult facts = ProbeFrames(probeWords, job.target, timeout);
    if (!facts.frames)
        return removed("the trimmed file cannot be counted: " + facts.problem + ": removed");
    if (*facts.frames != job.frames)
        return removed("the trimmed file holds " + Counted(*facts.frames, "frame") + ", not " +
                       std::to_string(job.frames) + ": removed");
    return {};
}
