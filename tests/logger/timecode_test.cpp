// Timecode text and frame counts at 30 frames per second, no frames dropped.
#include "Timecode.h"

#include <gtest/gtest.h>

using timecode::FrameCount;

TEST(Timecode, FrameCountWeighsEachDigitPairAndIgnoresSeparators) {
    const struct {
        std::string_view text;
        std::optional<int> frames;
    } cases[] = {
        {"00:00:00:00", 0},
        {"23:59:59:29", 23 * 108000 + 59 * 1800 + 59 * 30 + 29},
        {"10:20:30:15", 10 * 108000 + 20 * 1800 + 30 * 30 + 15},
        {"10.20.30.15", 10 * 108000 + 20 * 1800 + 30 * 30 + 15},
        {"01;02;03;04", 108000 + 2 * 1800 + 3 * 30 + 4},
        {"00:00:00:45", 45},
        {"00:00:10:00 and more", 300},
        {std::string_view("00:00:00:01", 10), std::nullopt},
        {"0a:00:00:00", std::nullopt},
        {" 1:00:00:00", std::nullopt},
        {"00:0:000:00", std::nullopt},
        {"00:00:00:0x", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(FrameCount(c.text), c.frames) << c.text;
    for (const char c : {' ', ':', '/', 'A'}) EXPECT_FALSE(timecode::isnumeric(c)) << c;
    for (char c = '0'; c <= '9'; ++c) EXPECT_TRUE(timecode::isnumeric(c)) << c;
}

TEST(Timecode, AddingFramesCarriesIntoEachField) {
    const struct {
        const char* start;
        int frames;
        std::optional<std::string> result;
    } cases[] = {
        {"01:00:00:00", 0, "01:00:00:00"},    {"01:00:00:00", 300, "01:00:10:00"},
        {"00:00:59:29", 1, "00:01:00:00"},    {"00:59:59:29", 1, "01:00:00:00"},
        {"99:59:59:29", 1, "100:00:00:00"},   {"00:00:00:45", 0, "00:00:01:15"},
        {"00:00:10:00", -150, "00:00:05:00"}, {"01:00:00:00", -1, "00:59:59:29"},
        {"00:00:0x:00", 0, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(timecode::MakeZeroString2(c.start, c.frames), c.result) << c.start << c.frames;
    for (const char* text : {"00:00:00:29", "00:00:59:29", "00:01:00:00", "00:59:59:29",
                             "01:00:00:00", "23:59:59:29", "99:59:59:29"})
        EXPECT_EQ(timecode::TimeText(FrameCount(text).value_or(-1)), text);
}
