// The open logger's clips and the transport frames in the HyperDeck protocol's terms: which clip
// the playhead is in, clip ids given relative to it, and what a frame tells a client at once (the
// frames the window tests do not send).
#include "HyperDeckClips.h"
#include "HyperDeckTransport.h"

#include <gtest/gtest.h>

TEST(HyperDeckClips, TheCurrentClipIsTheLatestStartingOneThatHoldsThePlayhead) {
    // Clip 2 lies inside clip 1; clip 3 starts where clip 1 ends.
    const std::vector<LoggedClip> clips{{"Pier", "00:00:10:00", 300, 400},
                                        {"Gull", "00:00:11:00", 330, 360},
                                        {"Mast", "00:00:13:10", 400, 430}};
    const std::pair<int, int> cases[] = {{299, 0}, {300, 1}, {329, 1}, {330, 2}, {359, 2},
                                         {360, 1}, {399, 1}, {400, 3}, {429, 3}, {430, 0}};
    for (const auto& [frames, id] : cases)
        EXPECT_EQ(hyperdeck::CurrentClip(clips, frames), id) << frames;
    EXPECT_EQ(hyperdeck::CurrentClip({}, 300), 0);

    struct Id {
        const char* text;
        int current;
        std::optional<int> id;
    };
    const Id ids[] = {{"2", 0, 2},
                      {"+1", 0, 1},
                      {"+1", 3, 4},
                      {"-1", 1, 0},
                      {"-2", 3, 1},
                      {"0", 2, 0},
                      {"", 1, std::nullopt},
                      {"+", 1, std::nullopt},
                      {"1x", 1, std::nullopt},
                      {"--1", 1, std::nullopt}};
    for (const Id& c : ids) EXPECT_EQ(hyperdeck::ClipIdOf(c.text, c.current), c.id) << c.text;
    // Between clips, relative ids count from the clip whose in point was passed last.
    const std::pair<int, int> before[] = {{299, 0}, {300, 1}, {345, 2}, {365, 2}, {430, 3}};
    for (const auto& [frames, id] : before) EXPECT_EQ(hyperdeck::ClipBefore(clips, frames), id);
}

TEST(HyperDeckClips, ListsGiveTheTapesFormatAndNonDropDurationsAtEachRate) {
    // 01:00:00;02 to 01:00:02;00 at 30DF is 58 frames; 10:00 to 12:00 at 25 is 50.
    const LoggedClip df{"Pier", "01:00:00;02", 107894, 107952};
    const LoggedClip pal{"Pier", "00:00:10:00", 250, 300};
    EXPECT_EQ(hyperdeck::DiskList({df}, timecode::rate30DF),
              "206 disk list:\r\nslot id: 1\r\n1: Pier Tape 525i5994 00:00:01:28\r\n\r\n");
    EXPECT_EQ(hyperdeck::DiskList({pal}, timecode::rate25),
              "206 disk list:\r\nslot id: 1\r\n1: Pier Tape 625i50 00:00:02:00\r\n\r\n");
    EXPECT_EQ(hyperdeck::ClipsInfo({df}, 1, 0, 2, timecode::rate30DF),
              "205 clips info:\r\nclip count: 1\r\n"
              "1: 01:00:00;02 00:00:01:28 01:00:00;02 01:00:02;00 Pier\r\n\r\n");
    EXPECT_EQ(hyperdeck::ClipsInfo({pal}, 2147483647, 2, 1, timecode::rate25),
              "205 clips info:\r\nclip count: 1\r\n\r\n")
        << "no clip past the last, however far";
}

TEST(HyperDeckTransport, AnAcknowledgedFrameIsReportedBeforeAnyReadingConfirmsIt) {
    struct Case {
        std::vector<std::uint8_t> frame;
        std::optional<TransportView> view;
    };
    const Case cases[] = {
        {{0x20, 0x02}, TransportView{"record", 100}},
        {{0x20, 0x10}, TransportView{"forward", 0}},
        {{0x21, 0x13, 0x00}, TransportView{"stopped", 0}}, // a still
        {{0x21, 0x12, 0x38}, TransportView{"play", 56}},
        {{0x21, 0x21, 0x20}, TransportView{"jog", -10}},
        // A cue from 01:00:20:00: forward, back, or nowhere.
        {{0x24, 0x31, 0x01, 0x20, 0x00, 0x01}, TransportView{"forward", 0}},
        {{0x24, 0x31, 0x29, 0x19, 0x00, 0x01}, TransportView{"rewind", 0}},
        {{0x24, 0x31, 0x00, 0x20, 0x00, 0x01}, TransportView{"stopped", 0}},
        {{0x24, 0x31, 0x00, 0x20, 0x00, 0x00}, TransportView{"rewind", 0}}, // the hour counts
        {{0x20, 0x61}, std::nullopt},                                       // E-E on
        {{0x20, 0x0F}, std::nullopt},                                       // eject
        {{0x24, 0x31, 0x00}, std::nullopt},                                 // a cue cut short
        {{0x61, 0x20}, std::nullopt},                                       // a sense request
        {{}, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TransportOfFrame(c.frame, "01:00:20:00"), c.view)
            << (c.frame.empty() ? 0 : c.frame[0]) << " " << (c.frame.size() > 1 ? c.frame[1] : 0);
    }
}
