#include "ReplyDecoding.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {
using Bytes = std::vector<std::uint8_t>;

// A time-sense reply: 74, time type, then the four time bytes at their offsets.
Bytes timeReply(std::uint8_t frames, std::uint8_t seconds, std::uint8_t minutes,
                std::uint8_t hours) {
    Bytes r{0x74, 0x04, frames, seconds, minutes, hours};
    unsigned sum = 0;
    for (auto b : r) sum += b;
    r.push_back(static_cast<std::uint8_t>(sum));
    return r;
}

// A status reply: 79 20, status bytes 0..8 (byte 1 at offset 3, byte 2 at 4, byte 4 at 6), cs.
Bytes statusReply(std::uint8_t byte1, std::uint8_t byte2, std::uint8_t byte4 = 0) {
    Bytes r{0x79, 0x20, 0x00, byte1, byte2, 0x00, byte4, 0, 0, 0, 0};
    unsigned sum = 0;
    for (auto b : r) sum += b;
    r.push_back(static_cast<std::uint8_t>(sum));
    return r;
}

// The same reply with one byte changed by noise on the line.
Bytes withNoise(Bytes reply, size_t at, std::uint8_t flip) {
    reply[at] ^= flip;
    return reply;
}
} // namespace

TEST(TimeReplies, DecodeOrAreRefusedWhole) {
    struct Case {
        const char* what;
        Bytes reply;
        int count;
        std::optional<std::string> text;
        int frames;
    };
    const std::vector<Case> cases = {
        {"plain", timeReply(0x12, 0x34, 0x56, 0x01), 7, "01:56:34:12",
         108000 + 56 * 1800 + 34 * 30 + 12},
        {"drop-frame flag in frames", timeReply(0x52, 0x00, 0x00, 0x00), 7, "00:00:00:12", 12},
        {"flag bits in hours", timeReply(0x00, 0x00, 0x00, 0xC1), 7, "01:00:00:00", 108000},
        {"frames units nibble B reads 1", timeReply(0x0B, 0x00, 0x00, 0x00), 7, "00:00:00:01", 1},
        {"hours units nibble F reads 5", timeReply(0x00, 0x00, 0x00, 0x2F), 7, "25:00:00:00",
         25 * 108000},
        {"top of the clock", timeReply(0x29, 0x59, 0x59, 0x23), 7, "23:59:59:29",
         23 * 108000 + 59 * 1800 + 59 * 30 + 29},
        {"seconds nibble above 9", timeReply(0x00, 0x9A, 0x00, 0x00), 7, std::nullopt, 0},
        {"minutes with bit 7 set", timeReply(0x00, 0x00, 0xA1, 0x00), 7, std::nullopt, 0},
        {"six bytes", timeReply(0x12, 0x34, 0x56, 0x01), 6, std::nullopt, 0},
        {"eight bytes", timeReply(0x12, 0x34, 0x56, 0x01), 8, std::nullopt, 0},
        {"not a time reply", Bytes{0x10, 0x01, 0x11, 0, 0, 0, 0}, 7, std::nullopt, 0},
        {"noise in the seconds", withNoise(timeReply(0x12, 0x34, 0x56, 0x01), 3, 0x01), 7,
         std::nullopt, 0},
        {"noise in the checksum", withNoise(timeReply(0x12, 0x34, 0x56, 0x01), 6, 0x80), 7,
         std::nullopt, 0},
        {"nothing", Bytes(16, 0), 0, std::nullopt, 0},
    };
    for (const auto& c : cases) {
        Bytes padded = c.reply;
        padded.resize(16, 0);
        const auto got = DecodeTimeReply(padded, c.count);
        ASSERT_EQ(got.has_value(), c.text.has_value()) << c.what;
        if (got) {
            EXPECT_EQ(got->text, *c.text) << c.what;
            EXPECT_EQ(got->frames, c.frames) << c.what;
        }
    }
}

TEST(TimeReplies, TheRateCountsTheDigitsAndDropFrameShowsItsSeparatorAndFlag) {
    Bytes df = timeReply(0x42, 0x00, 0x01, 0x00); // 00:01:00;02 with the DF flag
    df.resize(16, 0);
    const auto atDF = DecodeTimeReply(df, 7, timecode::rate30DF);
    ASSERT_TRUE(atDF);
    EXPECT_EQ(atDF->text, "00:01:00;02");
    EXPECT_EQ(atDF->frames, 1800);
    EXPECT_TRUE(atDF->dropFrameFlag);
    const auto at30 = DecodeTimeReply(df, 7);
    ASSERT_TRUE(at30);
    EXPECT_EQ(at30->text, "00:01:00:02") << "30 non-drop as before, the flag ignored";
    EXPECT_EQ(at30->frames, 1802);
    Bytes pal = timeReply(0x24, 0x11, 0x00, 0x00);
    pal.resize(16, 0);
    const auto at25 = DecodeTimeReply(pal, 7, timecode::rate25);
    ASSERT_TRUE(at25);
    EXPECT_EQ(at25->frames, 11 * 25 + 24);
    EXPECT_FALSE(at25->dropFrameFlag);
}

TEST(TimeReplies, DigitHelpersLeaveTheTextAloneOnABadNibble) {
    std::string tc = "11:22:33:44";
    EXPECT_EQ(TCBCD(0x5A, 3, tc), -1);
    EXPECT_EQ(tc, "11:22:33:44");
    EXPECT_EQ(TCBCD(0x59, 3, tc), 59);
    EXPECT_EQ(tc, "11:59:33:44");
    EXPECT_EQ(TCFBCD(0xFF, 9, tc), 35);
    EXPECT_EQ(tc, "11:59:33:35");
}

TEST(StatusReplies, WordsMarksAndFlagsInOrder) {
    struct Case {
        const char* what;
        Bytes reply;
        bool review;
        std::string text;
        std::vector<Mark> marks;
        bool cueup, preroll;
    };
    const std::vector<Case> cases = {
        {"play, stop and cued up",
         statusReply(0x21, 0x01),
         false,
         "Play Stop CuedUp ",
         {Mark::Play, Mark::Stop},
         true,
         false},
        {"the same during a review", statusReply(0x21, 0x01), true, "CuedUp ", {}, true, false},
        {"jog reverse", statusReply(0x00, 0x14), false, "Jog ", {Mark::JogR}, false, false},
        {"jog forward", statusReply(0x00, 0x10), false, "Jog ", {Mark::JogF}, false, false},
        {"every word in order",
         statusReply(0xFF, 0x31, 0x01),
         false,
         "Play Rec FF REW Stop Stby Shuttle Jog CuedUp PreCue ",
         {Mark::Play, Mark::Record, Mark::Fwd, Mark::Rew, Mark::Stop, Mark::Sbyon, Mark::Shuttle,
          Mark::JogF},
         true,
         true},
        {"preroll during a review",
         statusReply(0x01, 0x00, 0x01),
         true,
         "PreCue ",
         {},
         false,
         true},
        {"eject bit has no word", statusReply(0x10, 0x00), false, "", {}, false, false},
    };
    for (const auto& c : cases) {
        const StatusReading s = ExtractStatus(c.reply, c.review);
        EXPECT_EQ(s.text, c.text) << c.what;
        EXPECT_EQ(s.marks, c.marks) << c.what;
        EXPECT_EQ(s.cueup, c.cueup) << c.what;
        EXPECT_EQ(s.preroll, c.preroll) << c.what;
    }
}

TEST(StatusReplies, StopStillAndForwardPlayAreReadInAndOutOfAReview) {
    // The keyboard's Space plays from either state; a review reads them too.
    for (const bool review : {false, true}) {
        SCOPED_TRACE(review ? "during a review" : "no review");
        const StatusReading stopped = ExtractStatus(statusReply(0x20, 0x00), review);
        EXPECT_TRUE(stopped.stopped);
        EXPECT_FALSE(stopped.still);
        const StatusReading paused = ExtractStatus(statusReply(0x00, 0x22), review);
        EXPECT_FALSE(paused.stopped);
        EXPECT_TRUE(paused.still);
        for (const std::uint8_t b1 : {0x01, 0x04, 0x08, 0x10, 0x80}) {
            const StatusReading moving = ExtractStatus(statusReply(b1, 0x20), review);
            EXPECT_FALSE(moving.stopped || moving.still) << int(b1);
            EXPECT_EQ(moving.playingForward, b1 == 0x01) << int(b1);
        }
        EXPECT_FALSE(ExtractStatus(statusReply(0x01, 0x04), review).playingForward)
            << "play in reverse";
    }
}

TEST(StatusReplies, OnlyAWholeReplyWithItsChecksumCountsAsStatus) {
    struct Case {
        const char* what;
        Bytes reply;
        int count;
        bool status;
    };
    const Bytes cued = statusReply(0x20, 0x01);
    const std::vector<Case> cases = {
        {"whole reply", cued, 12, true},
        {"the cue-up bit flipped by noise", withNoise(cued, 4, 0x01), 12, false},
        {"noise in the checksum", withNoise(cued, 11, 0x10), 12, false},
        {"checksum not yet arrived", cued, 11, false},
        {"seven bytes", cued, 7, false},
        {"a time reply", timeReply(0x12, 0x34, 0x56, 0x01), 7, false},
        {"an acknowledgement", Bytes{0x10, 0x01, 0x11}, 3, false},
        {"nothing", Bytes{}, 0, false},
        // A shorter status reply is whole at its own length: 72 20, two data bytes, checksum.
        {"two status bytes", Bytes{0x72, 0x20, 0x00, 0x01, 0x93}, 5, false},
    };
    for (const auto& c : cases) {
        Bytes padded = c.reply;
        padded.resize(16, 0);
        EXPECT_EQ(IsStatusReply(padded, c.count), c.status) << c.what;
    }
    Bytes shortReply{0x72, 0x20, 0x00, 0x01, 0x93};
    shortReply.resize(16, 0);
    EXPECT_TRUE(ReplyChecksumOK(shortReply, 5)) << "a frame's length comes from its first byte";
    EXPECT_FALSE(ReplyChecksumOK(shortReply, 4));
}
