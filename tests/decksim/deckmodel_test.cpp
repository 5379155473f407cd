// The deck's clock and transport, driven with a synthetic clock (milliseconds).
#include "DeckModel.h"
#include "DeckResponder.h"

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

TEST(DeckRates, LabelsCountAndReadBackAtEachRate) {
    const ninepin::TcRate r25{25, false}, df{30, true};
    EXPECT_EQ(ninepin::FramesOf(1, 0, 0, 0, r25), 90000);
    EXPECT_EQ(ninepin::TimecodeText(90000 - 1, r25), "00:59:59:24");
    EXPECT_EQ(ninepin::FramesOf(1, 0, 0, 0, df), 107892);
    EXPECT_EQ(ninepin::TimecodeText(1800, df), "00:01:00;02");
    EXPECT_EQ(ninepin::TimecodeText(17982, df), "00:10:00;00");
    EXPECT_EQ(ninepin::TimecodeText(108000), "01:00:00:00") << "30 non-drop as before";
    // Every frame of a drop-frame day reads back to its count, and no dropped label shows.
    int bad = 0;
    for (int n = 0; n < 24 * 107892; ++n) {
        const ninepin::Label l = ninepin::LabelOf(n, df);
        if (ninepin::FramesOf(l.h, l.m, l.s, l.f, df) != n || (l.s == 0 && l.f < 2 && l.m % 10))
            if (++bad <= 5) ADD_FAILURE() << n << " reads " << ninepin::TimecodeText(n, df);
    }
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(ninepin::ParseTimecode("00:01:00;01", df), -1) << "a dropped label";
    EXPECT_EQ(ninepin::ParseTimecode("00:00:00:25", r25), -1);
    EXPECT_EQ(ninepin::ParseTimecode("00:10:00;00", df), 17982);
    ninepin::TcRate named;
    EXPECT_TRUE(ninepin::RateOfName("30DF", named) && named.dropFrame && named.fps == 30);
    EXPECT_FALSE(ninepin::RateOfName("29.97", named));
}

TEST(DeckRates, TimeRepliesCarryTheLabelAndTheDropFrameFlagAndTheDeviceTypeTheLines) {
    using ninepin::Bytes;
    const ninepin::TcRate r25{25, false}, df{30, true};
    EXPECT_EQ(DeckResponder::TimeReply(TimeKind::Ltc, ninepin::FramesOf(1, 2, 3, 24, r25), r25),
              ninepin::Frame(0x7, 0x04, {0x24, 0x03, 0x02, 0x01}));
    EXPECT_EQ(DeckResponder::TimeReply(TimeKind::Ltc, 1800, df),
              ninepin::Frame(0x7, 0x04, {0x42, 0x00, 0x01, 0x00}))
        << "00:01:00;02 with the DF flag";
    EXPECT_EQ(DeckResponder::DeviceId(r25), (Bytes{0x21, 0x10}));
    EXPECT_EQ(DeckResponder::DeviceId(df), (Bytes{0x20, 0x10}));
    EXPECT_EQ(DeckResponder::DeviceId({}), (Bytes{0x20, 0x10}));

    // The responder answers the device type and cues to the digits at its own rate.
    DeckModel::Config cfg;
    cfg.rate = r25;
    cfg.seekMs = 0;
    DeckModel model(cfg);
    DeckResponder responder(model);
    EXPECT_EQ(responder.handle(ninepin::Frame(0x0, 0x11), 0),
              ninepin::Frame(0x1, 0x11, {0x21, 0x10}));
    responder.handle(ninepin::Frame(0x2, 0x31, {0x20, 0x10, 0x00, 0x00}), 0); // cue 00:00:10:20
    EXPECT_EQ(model.frames(10), 10 * 25 + 20);
    model.play(10);
    EXPECT_NEAR(model.frames(1010), 10 * 25 + 20 + 25, 1) << "a second of play is 25 frames";
}
