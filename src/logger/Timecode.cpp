#include "Timecode.h"

namespace timecode {

bool isnumeric(char c) {
    return c >= '0' && c <= '9';
}

std::optional<int> FrameCount(std::string_view text) {
    if (text.size() < 11) return std::nullopt;
    int field[4];
    for (int k = 0; k < 4; ++k) {
        const char tens = text[3 * k];
        const char units = text[3 * k + 1];
        if (!isnumeric(tens) || !isnumeric(units)) return std::nullopt;
        field[k] = 10 * (tens - '0') + (units - '0');
    }
    return field[0] * framesPerHour + field[1] * framesPerMinute + field[2] * framesPerSecond +
           field[3];
}

namespace {
std::string twoDigits(int value) {
    return std::to_string(value / 10) + std::to_string(value % 10);
}
} // namespace

std::string TimeText(int n, std::string_view separator) {
    const int hours = n / framesPerHour;
    const int rest = n - hours * framesPerHour;
    const int minutes = rest / framesPerMinute;
    const int seconds = (rest - minutes * framesPerMinute) / framesPerSecond;
    const int frames = n % framesPerSecond;
    std::string text = twoDigits(hours) + ":" + twoDigits(minutes) + ":" + twoDigits(seconds);
    text += separator;
    return text + twoDigits(frames);
}

std::optional<std::string> MakeZeroString2(std::string_view start, int frames,
                                           std::string_view separator) {
    const auto count = FrameCount(start);
    if (!count) return std::nullopt;
    return TimeText(*count + frames, separator);
}

} // namespace timecode
