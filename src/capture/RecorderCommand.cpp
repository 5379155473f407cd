#include "RecorderCommand.h"

#include "Placeholders.h"

#include <cstdio>
#include <map>

std::optional<std::vector<std::string>> SplitCommand(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false; // a quote pair begins a word even when it holds nothing
    bool quoted = false;
    for (const char c : text) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted) return std::nullopt;
    if (inWord) words.push_back(word);
    return words;
}

namespace {

std::string ThreeDigits(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%03d", n);
    return text;
}

} // namespace

ClipValues ValuesOf(int event, const std::string& name, const std::string& tape,
                    const std::string& file, int inFrames, int outFrames, timecode::Rate rate) {
    ClipValues v;
    v.file = file;
    v.name = name;
    v.tape = tape;
    v.event = event;
    v.in = timecode::TimeText(inFrames, rate);
    v.out = timecode::TimeText(outFrames, rate);
    v.frames = outFrames - inFrames;
    v.duration = timecode::TimeText(v.frames, rate);
    const double perSecond = rate.dropFrame ? 30000.0 / 1001.0 : rate.fps;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", v.frames / perSecond);
    v.seconds = seconds;
    v.rate = rate.dropFrame ? "30000/1001" : std::to_string(rate.fps);
    return v;
}

std::vector<std::string> ExpandCommand(const std::vector<std::string>& words, const ClipValues& v) {
    const PlaceholderValues values = {
        {"file", v.file},
        {"name", v.name},
        {"tape", v.tape},
        {"event", ThreeDigits(v.event)},
        {"in", v.in},
        {"out", v.out},
        {"duration", v.duration},
        {"frames", std::to_string(v.frames)},
        {"seconds", v.seconds},
        {"rate", v.rate},
    };
    return FillPlaceholders(words, values);
}
