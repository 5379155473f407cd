// The deck's clock and transport, driven with a synthetic clock (milliseconds).
#include "DeckModel.h"

#include <gtest/gtest.h>

using Mode = DeckModel::Mode;

TEST(DeckModel, SpeedBytesFollowTheProtocolRuleAndAreCappedAtWindSpeed) {
    EXPECT_DOUBLE_EQ(ninepin::SpeedOfByte(0x40), 1.0);
    EXPECT_DOUBLE_EQ(ninepin::SpeedOfByte(0x00), 0.0);
    EXPECT_NEAR(ninepin::SpeedOfByte(0x20), 0.1, 1e-9);
    EXPECT_NEAR(ninepin::SpeedOfByte(0x60), 10.0, 1e-9);

    struct Case {
        std::uint8_t speed;
        int framesAfter10s;
    };
    // 10 s of motion at 30 frames per second times the rate.
    for (const Case c : {Case{0x40, 300}, Case{0x20, 30}, Case{0x60, 3000}, Case{0xFF, 15000}}) {
        DeckModel deck({}, 0);
        deck.setPosition(100000, 0);
        deck.jog(false, c.speed, 0);
        EXPECT_EQ(deck.frames(10000) - 100000, c.framesAfter10s) << int(c.speed);
        deck.jog(true, c.speed, 10000);
        EXPECT_EQ(deck.frames(20000), 100000) << "reverse at the same rate comes back";
    }
}

TEST(DeckModel, TransportStatesMoveTheClockAsADeckDoes) {
    DeckModel deck({}, 0);
    deck.play(0);
    EXPECT_EQ(deck.frames(1000), 30);
    deck.stop(1000);
    EXPECT_EQ(deck.frames(5000), 30);
    deck.fastForward(5000);
    EXPECT_EQ(deck.frames(6000), 30 + 1500);
    deck.shuttle(false, 0, 6000); // still
    EXPECT_EQ(deck.frames(9000), 1530);
    EXPECT_EQ(deck.snapshot(9000).mode, Mode::Shuttle);
    deck.rewind(9000);
    EXPECT_EQ(deck.frames(20000), 0) << "rewind stops at the start of the tape";
    EXPECT_EQ(deck.snapshot(20000).mode, Mode::Stop);
}

TEST(DeckModel, ForwardMotionStopsAtTheTapeEndAndSaysSo) {
    DeckModel::Config cfg;
    cfg.tapeEnd = 600;
    DeckModel deck(cfg, 0);
    deck.fastForward(0);
    EXPECT_EQ(deck.frames(10000), 600);
    EXPECT_EQ(deck.snapshot(10000).mode, Mode::Stop);
    EXPECT_EQ(deck.status(8, 1, 10000)[0], 0x10);
}

TEST(DeckModel, ACueSeeksForItsTimeThenHoldsStillWithCueUpCompleteUntilTheNextCommand) {
    DeckModel::Config cfg;
    cfg.seekMs = 500;
    DeckModel deck(cfg, 0);
    deck.cue(ninepin::FramesOf(1, 2, 3, 4), 0);
    EXPECT_EQ(deck.status(4, 1, 100)[0], 0x01) << "preroll bit while cueing";
    EXPECT_EQ(deck.status(2, 1, 499)[0] & 0x01, 0);
    EXPECT_EQ(deck.frames(500), ninepin::FramesOf(1, 2, 3, 4));
    EXPECT_EQ(deck.status(2, 1, 501)[0], 0x03) << "still and cue-up complete";
    EXPECT_EQ(deck.status(4, 1, 501)[0], 0x00);
    deck.play(600);
    EXPECT_EQ(deck.status(2, 1, 600)[0] & 0x01, 0);

    DeckModel byDistance({}, 0);
    EXPECT_EQ(byDistance.seekTimeFor(1800), 100);
    EXPECT_EQ(byDistance.seekTimeFor(-1800), 100);
    EXPECT_EQ(byDistance.seekTimeFor(108000), 3000);
}

TEST(DeckModel, AFrozenClockStandsStillWhileTheStatusSaysPlay) {
    DeckModel deck({}, 0);
    deck.play(0);
    deck.setFrozen(true, 1000);
    EXPECT_EQ(deck.frames(5000), 30);
    EXPECT_EQ(deck.status(1, 1, 5000)[0], 0x01);
    deck.setFrozen(false, 5000);
    EXPECT_EQ(deck.frames(6000), 60);
}

TEST(DeckModel, AnEjectedDeckReportsTapeOutAndIgnoresMotion) {
    DeckModel deck({}, 0);
    deck.eject(0);
    deck.play(0);
    EXPECT_EQ(deck.frames(1000), 0);
    const auto s = deck.status(0, 2, 1000);
    EXPECT_EQ(s[0], 0x20);
    EXPECT_EQ(s[1], 0x10);
}

TEST(DeckModel, LoadingATapeStartsInStopAndLoadingWithOneInChangesNothing) {
    DeckModel deck({}, 0);
    deck.play(0);
    deck.insertTape(1000);
    EXPECT_EQ(deck.snapshot(1000).mode, Mode::Play) << "a tape is already in";
    EXPECT_EQ(deck.frames(2000), 60);

    deck.eject(2000);
    deck.insertTape(3000);
    EXPECT_EQ(deck.snapshot(3000).mode, Mode::Stop);
    EXPECT_EQ(deck.frames(4000), 60) << "the loaded tape stands";
    EXPECT_EQ(deck.status(0, 1, 4000)[0], 0x00);
}
