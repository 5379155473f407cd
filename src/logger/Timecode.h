#pragma once

#include <optional>
#include <string>
#include <string_view>

// SMPTE timecode held as text, HH:MM:SS:FF, counted at 30 frames per second with no frames
// dropped: 108000 frames an hour, 1800 a minute, 30 a second. Only the digit positions 0-1, 3-4,
// 6-7 and 9-10 are read, so "01;02;03;04" counts like "01:02:03:04", and a field is weighted as it
// stands even above its usual range ("00:00:00:45" is 45 frames).
namespace timecode {

constexpr int framesPerSecond = 30;
constexpr int framesPerMinute = 1800;
constexpr int framesPerHour = 108000;
constexpr const char* zero = "00:00:00:00";

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

} // namespace timecode
