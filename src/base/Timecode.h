#pragma once

#include <optional>
#include <string>
#include <string_view>

// SMPTE timecode held as text, HH:MM:SS:FF. The functions without a rate count at 30 frames per
// second with no frames dropped: 108000 frames an hour, 1800 a minute, 30 a second; those with
// one count at that rate. Only the digit positions 0-1, 3-4, 6-7 and 9-10 are read, so
// "01;02;03;04" counts like "01:02:03:04", and a field is weighted as it stands even above its
// usual range ("00:00:00:45" is 45 frames).
namespace timecode {

constexpr int framesPerSecond = 30;
constexpr int framesPerMinute = 1800;
constexpr int framesPerHour = 108000;
constexpr const char* zero = "00:00:00:00";

// A timecode standard: 25 or 30 frames a second, and at 30 whether frame numbers are dropped
// (29.97 drop-frame: frames 00 and 01 are skipped at the start of every minute except every
// tenth, so 01:00:00;00 is frame 107892).
struct Rate {
    int fps = framesPerSecond;
    bool dropFrame = false;
    friend bool operator==(Rate, Rate) = default;
};
constexpr Rate rate30{30, false};
constexpr Rate rate25{25, false};
constexpr Rate rate30DF{30, true};

// A rate by its setting's text: "30", "25" or "30DF"; nothing for any other text.
std::optional<Rate> RateFromText(std::string_view text);
// The setting's text of a rate.
std::string RateText(Rate rate);
// The separator before the frames: ";" for drop-frame, else ":".
std::string_view FrameSeparator(Rate rate);

// True for a zero time, "no time": "00:00:00:00" with ':', ';' or '.' in any separator position
// ("00:00:00;00" is a drop-frame list's zero).
bool IsZero(std::string_view text);

// True exactly for '0' to '9'.
bool isnumeric(char c);

// The frame count of a text, or nothing when it is shorter than 11 characters or holds a
// non-digit at a digit position.
std::optional<int> FrameCount(std::string_view text);

// The text of a frame count. Each field is written as its tens (value / 10) and its units
// (value % 10), so 0 to 99 give two digits and an hour count of 100 or more gives more.
std::string TimeText(int frames, std::string_view separator = ":");

// The time that lies the given number of frames after start; nothing when start is not a
// timecode.
std::optional<std::string> MakeZeroString2(std::string_view start, int frames,
                                           std::string_view separator = ":");

// The frame count of a time's four fields at a rate, each weighted as it stands.
int CountOf(int hours, int minutes, int seconds, int frames, Rate rate);

// At a rate: the frame count of a text (fields weighted as they stand, as above, with drop-frame
// counting the dropped numbers out), the text of a count (";" before the frames for
// drop-frame), and the time a number of frames after a start.
std::optional<int> FrameCount(std::string_view text, Rate rate);
std::string TimeText(int frames, Rate rate);
std::optional<std::string> MakeZeroString2(std::string_view start, int frames, Rate rate);

// True when text is a timecode at the rate: 11 characters, digits at 0-1, 3-4, 6-7 and 9-10,
// ':', ';' or '.' at 2, 5 and 8; hours 00-23, minutes and seconds 00-59, frames below the rate's
// frames a second; at drop-frame not a dropped number (frames 00 and 01 of second 00 of a minute
// not divisible by ten).
bool IsTimecode(std::string_view text, Rate rate);
// The text with ':' between hours, minutes and seconds and its frame separator (position 8) ';'
// at drop-frame and ':' otherwise; a text shorter than 11 characters is returned as it is.
std::string WithSeparator(std::string_view text, Rate rate);
// Frames in 24 hours at the rate (2592000 at 30, 2160000 at 25, 2589408 at 30DF).
int FramesPerDay(Rate rate);

} // namespace timecode
