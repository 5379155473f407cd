// Timecode text and frame counts: at 30 frames per second, no frames dropped, and at each rate.
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

namespace {
std::string digits(int value) {
    return std::string(1, static_cast<char>('0' + value / 10)) +
           static_cast<char>('0' + value % 10);
}
std::string text(int h, int m, int s, int f, const char* separator) {
    return digits(h) + ":" + digits(m) + ":" + digits(s) + separator + digits(f);
}
} // namespace

TEST(TimecodeRates, EveryDropFrameLabelOfADayCountsInTurnAndReadsBack) {
    // Walk the labels of 24 hours as a drop-frame deck shows them; each is the next frame.
    int expected = 0;
    int mismatches = 0;
    for (int h = 0; h < 24; ++h)
        for (int m = 0; m < 60; ++m)
            for (int s = 0; s < 60; ++s)
                for (int f = 0; f < 30; ++f) {
                    if (s == 0 && f < 2 && m % 10 != 0) continue; // numbers that are dropped
                    const std::string label = text(h, m, s, f, ";");
                    if (timecode::FrameCount(label, timecode::rate30DF) != expected ||
                        timecode::TimeText(expected, timecode::rate30DF) != label) {
                        if (++mismatches <= 5)
                            ADD_FAILURE() << label << " is not frame " << expected;
                    }
                    ++expected;
                }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(expected, 24 * 107892) << "frames in a drop-frame day";
}

TEST(TimecodeRates, NonDropRatesRoundTripTheEdgesOfEveryMinuteOfADay) {
    for (const timecode::Rate rate : {timecode::rate25, timecode::rate30}) {
        SCOPED_TRACE(timecode::RateText(rate));
        int mismatches = 0;
        for (int h = 0; h < 24; ++h)
            for (int m = 0; m < 60; ++m) {
                const int first = (h * 60 + m) * 60 * rate.fps;
                const int last = first + 60 * rate.fps - 1;
                for (const auto& [label, count] :
                     {std::pair{text(h, m, 0, 0, ":"), first},
                      std::pair{text(h, m, 59, rate.fps - 1, ":"), last}}) {
                    if (timecode::FrameCount(label, rate) != count ||
                        timecode::TimeText(count, rate) != label) {
                        if (++mismatches <= 5) ADD_FAILURE() << label << " is not frame " << count;
                    }
                }
            }
        EXPECT_EQ(mismatches, 0);
    }
}

TEST(TimecodeRates, KnownAnchorsAndTheSameArithmeticAtThirtyAsBefore) {
    using namespace timecode;
    EXPECT_EQ(MakeZeroString2("00:00:59;29", 1, rate30DF), "00:01:00;02");
    EXPECT_EQ(MakeZeroString2("00:09:59;29", 1, rate30DF), "00:10:00;00");
    EXPECT_EQ(MakeZeroString2("00:01:00;02", -1, rate30DF), "00:00:59;29");
    EXPECT_EQ(FrameCount("01:00:00;00", rate30DF), 107892);
    EXPECT_EQ(FrameCount("01:00:00:00", rate30DF), 107892) << "the separator is not read";
    EXPECT_EQ(TimeText(107892, rate30DF), "01:00:00;00");
    // 25 fps: 20 + 20 frames is a second and 15 frames.
    EXPECT_EQ(MakeZeroString2("00:00:00:20", 20, rate25), "00:00:01:15");
    EXPECT_EQ(FrameCount("01:00:00:00", rate25), 90000);
    EXPECT_EQ(MakeZeroString2("00:00:00:20", 20, rate30), "00:00:01:10");
    // At 30 non-drop the rate's arithmetic is the plain one, odd fields included.
    for (const char* t : {"00:00:00:45", "10.20.30.15", "99:59:59:29", "23:59:59:29"}) {
        EXPECT_EQ(FrameCount(t, rate30), FrameCount(t)) << t;
        EXPECT_EQ(TimeText(*FrameCount(t), rate30), TimeText(*FrameCount(t))) << t;
    }
    EXPECT_EQ(FrameCount("00:0x:00:00", rate25), std::nullopt);
    for (const Rate r : {rate25, rate30, rate30DF}) EXPECT_EQ(RateFromText(RateText(r)), r);
    for (const char* t : {"", "24", "30df", "29.97", "AUTO", "25 "})
        EXPECT_EQ(RateFromText(t), std::nullopt) << t;
    EXPECT_EQ(FrameSeparator(rate30DF), ";");
    EXPECT_EQ(FrameSeparator(rate25), ":");
}

TEST(TimecodeRates, ATimecodeHasItsFieldsInRangeAndNoDroppedNumber) {
    using namespace timecode;
    const struct {
        std::string_view text;
        Rate rate;
        bool timecode;
    } cases[] = {
        {"23:59:59:29", rate30, true},    {"24:00:00:00", rate30, false},
        {"00:59:00:00", rate30, true},    {"00:60:00:00", rate30, false},
        {"00:00:60:00", rate30, false},   {"00:00:00:30", rate30, false},
        {"00:00:00:24", rate25, true},    {"00:00:00:25", rate25, false},
        {"00:01:00;01", rate30DF, false}, {"00:01:00;02", rate30DF, true},
        {"00:10:00;00", rate30DF, true},  {"00:01:00:00", rate30, true},
        {"00.00.10.00", rate30, true},    {"00-00-10-00", rate30, false},
        {"00:00:10:00 ", rate30, false},  {"00:00:10:0", rate30, false},
        {"0x:00:10:00", rate30, false},   {"00:00:1 :00", rate30, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsTimecode(c.text, c.rate), c.timecode) << c.text << " at " << RateText(c.rate);
    EXPECT_EQ(WithSeparator("00:00:10:00", rate30DF), "00:00:10;00");
    EXPECT_EQ(WithSeparator("00:00:10;00", rate25), "00:00:10:00");
    EXPECT_EQ(WithSeparator("01;02.03.04", rate30DF), "01:02:03;04");
    EXPECT_EQ(WithSeparator("00:00", rate30DF), "00:00");
    EXPECT_EQ(FramesPerDay(rate30), 2592000);
    EXPECT_EQ(FramesPerDay(rate25), 2160000);
    EXPECT_EQ(FramesPerDay(rate30DF), 2589408);
}
