#include "FrameProbe.h"

#include "Placeholders.h"
#include "RecorderCommand.h"
#include "ToolRun.h"

#include <charconv>

std::vector<std::string> DefaultProbeCommand() {
    return *SplitCommand("ffprobe -v error -select_streams v:0 -count_packets -show_entries "
                         "stream=nb_read_packets,r_frame_rate,start_time:format=start_time "
                         "-of flat {path}");
}

ProbeCommand ProbeCommandOf(const std::optional<std::string>& setting, bool ffprobeOnPath) {
    if (setting && setting->find_first_not_of(" \t") != std::string::npos) {
        auto words = SplitCommand(*setting);
        if (!words) return {{}, "CaptureProbe has a quote left open"};
        return {*words, ""};
    }
    if (!ffprobeOnPath) return {{}, "no CaptureProbe set and no ffprobe on PATH"};
    return {DefaultProbeCommand(), ""};
}

namespace {

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    text = text.substr(first, last - first + 1);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    return text;
}

std::optional<int> WholeNumber(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return value;
}

// "30/1", "30000/1001": a whole number, '/', a whole number.
bool IsRate(std::string_view field) {
    const std::size_t slash = field.find('/');
    return slash != std::string_view::npos && WholeNumber(field.substr(0, slash)) &&
           WholeNumber(field.substr(slash + 1));
}

// Read the same whatever the locale's decimal mark.
std::optional<double> Seconds(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

ProbeResult ParseProbe(std::string_view out) {
    ProbeResult facts;
    std::optional<double> streamStart, fileStart;
    std::string_view firstLine;
    std::size_t begin = 0;
    while (begin < out.size()) {
        const std::size_t end = std::min(out.find('\n', begin), out.size());
        const std::string_view line = Trimmed(out.substr(begin, end - begin));
        begin = end + 1;
        if (line.empty()) continue;
        if (firstLine.empty()) firstLine = line;
        const std::size_t equals = line.find('=');
        if (equals != std::string_view::npos) {
            const std::string_view key = line.substr(0, equals);
            const std::string_view value = Trimmed(line.substr(equals + 1));
            const std::string_view last = key.substr(key.find_last_of('.') + 1);
            if (last == "nb_read_packets" || last == "nb_read_frames" || last == "nb_frames") {
                if (!facts.frames) facts.frames = WholeNumber(value);
            } else if (last == "r_frame_rate" && facts.rate.empty()) {
                facts.rate = value;
            } else if (last == "start_time") {
                auto& start = key.substr(0, 6) == "format" ? fileStart : streamStart;
                if (!start) start = Seconds(value);
            }
            continue;
        }
        std::optional<int> count;
        std::size_t from = 0;
        while (from <= line.size()) {
            const std::size_t comma = std::min(line.find(',', from), line.size());
            const std::string_view field = Trimmed(line.substr(from, comma - from));
            from = comma + 1;
            if (const auto number = WholeNumber(field)) count = number;
            if (IsRate(field) && facts.rate.empty()) facts.rate = field;
        }
        if (!facts.frames) facts.frames = count;
    }
    if (streamStart && fileStart) facts.videoStart = *streamStart - *fileStart;
    if (facts.frames) return facts;
    if (firstLine.empty())
        facts.problem = "the probe printed nothing";
    else
        facts.problem =
            "no frame count in the probe's output: " + std::string(firstLine.substr(0, 80));
    return facts;
}

ProbeResult ProbeFrames(const std::vector<std::string>& words, const std::string& path,
                        std::chrono::milliseconds timeout) {
    const auto argv = FillPlaceholders(words, {{"path", path}});
    const ToolResult run = RunTool(argv, timeout);
    if (const std::string failure = FailureOf(argv, run); !failure.empty()) {
        ProbeResult facts;
        facts.problem = failure;
        return facts;
    }
    return ParseProbe(run.out);
}
