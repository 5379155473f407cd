#include "HyperDeckClips.h"

#include "HyperDeckReplies.h"

#include <charconv>

namespace hyperdeck {

namespace {
std::string Duration(const LoggedClip& clip, timecode::Rate rate) {
    return timecode::TimeText(clip.outFrames - clip.inFrames, timecode::Rate{rate.fps, false});
}
} // namespace

int CurrentClip(const std::vector<LoggedClip>& clips, int frames) {
    int id = 0;
    for (std::size_t i = 0; i < clips.size(); ++i) {
        const LoggedClip& clip = clips[i];
        if (frames < clip.inFrames || frames >= clip.outFrames) continue;
        if (id == 0 || clip.inFrames > clips[id - 1].inFrames) id = static_cast<int>(i) + 1;
    }
    return id;
}

int ClipBefore(const std::vector<LoggedClip>& clips, int frames) {
    int id = 0;
    for (std::size_t i = 0; i < clips.size(); ++i)
        if (clips[i].inFrames <= frames && (id == 0 || clips[i].inFrames >= clips[id - 1].inFrames))
            id = static_cast<int>(i) + 1;
    return id;
}

std::optional<int> ClipIdOf(const std::string& text, int current) {
    if (text.empty()) return std::nullopt;
    const bool relative = text[0] == '+' || text[0] == '-';
    const char* first = text.data() + (relative ? 1 : 0);
    const char* last = text.data() + text.size();
    if (first == last || *first < '0' || *first > '9') return std::nullopt; // digits only
    int value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last) return std::nullopt;
    if (!relative) return value;
    return text[0] == '+' ? current + value : current - value;
}

std::string ClipsCount(const std::vector<LoggedClip>& clips) {
    return Block(214, "clips count", {{"clip count", std::to_string(clips.size())}});
}

std::string ClipsInfo(const std::vector<LoggedClip>& clips, int first, int count, int version,
                      timecode::Rate rate) {
    Fields fields{{"clip count", std::to_string(clips.size())}};
    const int size = static_cast<int>(clips.size());
    const long long last =
        count <= 0 ? size : std::min<long long>(size, static_cast<long long>(first) + count - 1);
    for (int id = std::max(first, 1); id <= last; ++id) {
        const LoggedClip& clip = clips[id - 1];
        const std::string duration = Duration(clip, rate);
        const std::string out = timecode::TimeText(clip.outFrames, rate);
        fields.emplace_back(std::to_string(id), version == 2
                                                    ? clip.in + ' ' + duration + ' ' + clip.in +
                                                          ' ' + out + ' ' + clip.name
                                                    : clip.name + ' ' + clip.in + ' ' + duration);
    }
    return Block(205, "clips info", fields);
}

std::string DiskList(const std::vector<LoggedClip>& clips, timecode::Rate rate) {
    const std::string format = rate.fps == 25 ? "625i50" : "525i5994";
    Fields fields{{"slot id", "1"}};
    for (std::size_t i = 0; i < clips.size(); ++i)
        fields.emplace_back(std::to_string(i + 1),
                            clips[i].name + " Tape " + format + ' ' + Duration(clips[i], rate));
    return Block(206, "disk list", fields);
}

} // namespace hyperdeck
