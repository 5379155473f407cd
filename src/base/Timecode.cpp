#include "Timecode.h"

namespace timecode {

namespace {
// Drop-frame: frame numbers dropped a minute, frames in ten minutes and in a minute after the
// first of ten.
constexpr int droppedPerMinute = 2;
constexpr int dfFramesPer10Minutes = 10 * framesPerMinute - 9 * droppedPerMinute; // 17982
constexpr int dfFramesPerMinute = framesPerMinute - droppedPerMinute;             // 1798
} // namespace

std::optional<Rate> RateFromText(std::string_view text) {
    if (text == "30") return rate30;
    if (text == "25") return rate25;
    if (text == "30DF") return rate30DF;
    return std::nullopt;
}

std::string RateText(Rate rate) {
    if (rate.dropFrame) return "30DF";
    return std::to_string(rate.fps);
}

std::string_view FrameSeparator(Rate rate) {
    return rate.dropFrame ? ";" : ":";
}

bool IsZero(std::string_view text) {
    return IsTimecode(text, rate30) && FrameCount(text) == 0;
}

bool isnumeric(char c) {
    return c >= '0' && c <= '9';
}

std::optional<int> FrameCount(std::string_view text) {
    return FrameCount(text, rate30);
}

std::optional<int> FrameCount(std::string_view text, Rate rate) {
    if (text.size() < 11) return std::nullopt;
    int field[4];
    for (int k = 0; k < 4; ++k) {
        const char tens = text[3 * k];
        const char units = text[3 * k + 1];
        if (!isnumeric(tens) || !isnumeric(units)) return std::nullopt;
        field[k] = 10 * (tens - '0') + (units - '0');
    }
    return CountOf(field[0], field[1], field[2], field[3], rate);
}

int CountOf(int hours, int minutes, int seconds, int frames, Rate rate) {
    const int allMinutes = hours * 60 + minutes;
    const int nominal = (allMinutes * 60 + seconds) * rate.fps + frames;
    if (!rate.dropFrame) return nominal;
    return nominal - droppedPerMinute * (allMinutes - allMinutes / 10);
}

namespace {
std::string twoDigits(int value) {
    return std::to_string(value / 10) + std::to_string(value % 10);
}

// The fields of a nominal count (every number counted) at fps frames a second.
std::string NominalText(int n, int fps, std::string_view separator) {
    const int perMinute = 60 * fps;
    const int perHour = 60 * perMinute;
    const int hours = n / perHour;
    const int rest = n - hours * perHour;
    const int minutes = rest / perMinute;
    const int seconds = (rest - minutes * perMinute) / fps;
    const int frames = n % fps;
    std::string text = twoDigits(hours) + ":" + twoDigits(minutes) + ":" + twoDigits(seconds);
    text += separator;
    return text + twoDigits(frames);
}
} // namespace

std::string TimeText(int n, std::string_view separator) {
    return NominalText(n, framesPerSecond, separator);
}

std::string TimeText(int n, Rate rate) {
    if (!rate.dropFrame) return NominalText(n, rate.fps, FrameSeparator(rate));
    // Put the dropped numbers back: 18 for each whole ten minutes, 2 for each minute after the
    // first of the ten begun.
    const int tens = n / dfFramesPer10Minutes;
    const int rest = n % dfFramesPer10Minutes;
    int nominal = n + 9 * droppedPerMinute * tens;
    if (rest >= droppedPerMinute)
        nominal += droppedPerMinute * ((rest - droppedPerMinute) / dfFramesPerMinute);
    return NominalText(nominal, framesPerSecond, FrameSeparator(rate));
}

std::optional<std::string> MakeZeroString2(std::string_view start, int frames,
                                           std::string_view separator) {
    const auto count = FrameCount(start);
    if (!count) return std::nullopt;
    return TimeText(*count + frames, separator);
}

std::optional<std::string> MakeZeroString2(std::string_view start, int frames, Rate rate) {
    const auto count = FrameCount(start, rate);
    if (!count) return std::nullopt;
    return TimeText(*count + frames, rate);
}

bool IsTimecode(std::string_view text, Rate rate) {
    if (text.size() != 11) return false;
    for (const std::size_t at : {2, 5, 8})
        if (text[at] != ':' && text[at] != ';' && text[at] != '.') return false;
    int field[4];
    for (int k = 0; k < 4; ++k) {
        const char tens = text[3 * k];
        const char units = text[3 * k + 1];
        if (!isnumeric(tens) || !isnumeric(units)) return false;
        field[k] = 10 * (tens - '0') + (units - '0');
    }
    const auto [hours, minutes, seconds, frames] = field;
    if (hours > 23 || minutes > 59 || seconds > 59 || frames >= rate.fps) return false;
    const bool dropped =
        rate.dropFrame && seconds == 0 && frames < droppedPerMinute && minutes % 10 != 0;
    return !dropped;
}

std::string WithSeparator(std::string_view text, Rate rate) {
    std::string result(text);
    if (result.size() < 11) return result;
    result[2] = result[5] = ':';
    result[8] = FrameSeparator(rate)[0];
    return result;
}

int FramesPerDay(Rate rate) {
    return CountOf(24, 0, 0, 0, rate);
}

} // namespace timecode
