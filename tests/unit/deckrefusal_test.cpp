#include "CommandFrames.h"
#include "DeckRefusal.h"

#include <gtest/gtest.h>

#include <optional>
#include <span>
#include <vector>

namespace {
using F = CommandFrames;
using Bytes = std::vector<std::uint8_t>;

template <size_t N> Bytes bytes(const std::array<std::uint8_t, N>& a) {
    return Bytes(a.begin(), a.end());
}

TEST(DeckRefusal, NakBitsOnlyFromAWholeNakWithItsChecksumRight) {
    struct Case {
        Bytes reply;
        int count;
        std::optional<std::uint8_t> bits;
    };
    const Case cases[] = {
        {{0x11, 0x12, 0x01, 0x24}, 4, 0x01},
        {{0x11, 0x12, 0x80, 0xA3}, 4, 0x80},
        {{0x11, 0x12, 0xFF, 0x22}, 4, 0xFF},                         // the sum carries past 8 bits
        {{0x11, 0x12, 0x04, 0x27, 0x00, 0x00, 0x00, 0x00}, 4, 0x04}, // a larger buffer
        {{0x11, 0x12, 0x01, 0x25}, 4, std::nullopt},                 // checksum wrong
        {{0x11, 0x12, 0x01, 0x24}, 3, std::nullopt},                 // fewer bytes came
        {{0x11, 0x12, 0x01}, 4, std::nullopt},                       // truncated buffer
        {{0x10, 0x01, 0x11}, 3, std::nullopt},                       // ACK
        {{0x10, 0x12, 0x01, 0x23}, 4, std::nullopt},
        {{0x11, 0x11, 0x01, 0x23}, 4, std::nullopt},
        {{0x74, 0x04, 0x00, 0x00, 0x00, 0x00, 0x78}, 7, std::nullopt}, // a time reply
        {{}, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.reply) + " count " + std::to_string(c.count));
        EXPECT_EQ(NakBits(c.reply, c.count), c.bits);
    }
}

TEST(DeckRefusal, NakReasonsInBitOrderAndUnnamedBitsInHex) {
    const std::pair<std::uint8_t, const char*> cases[] = {
        {0x01, "undefined command"},
        {0x04, "checksum error"},
        {0x10, "parity error"},
        {0x20, "buffer overrun"},
        {0x40, "framing error"},
        {0x80, "time-out"},
        {0x81, "undefined command, time-out"},
        {0xFF, "undefined command, checksum error, parity error, buffer overrun, framing error, "
               "time-out, bits 0A"},
        {0x0E, "checksum error, bits 0A"}, // bits 0x02 and 0x08 have no name
        {0x0A, "bits 0A"},
        {0x02, "bits 02"},
        {0x00, "no reason given"},
    };
    for (const auto& [bits, text] : cases) EXPECT_EQ(NakReasons(bits), text) << int(bits);
}

// Every frame the controller holds has a name; a frame added to the table without one shows
// up here as hex.
TEST(DeckRefusal, EveryFrameTheControllerSendsHasANameAndSensesAreKnown) {
    struct Case {
        const char* frame;
        Bytes bytes;
        const char* name;
        bool sense;
    };
    const Case cases[] = {
        {"bsplay", bytes(F::bsplay), "Play", false},
        {"bspause", bytes(F::bspause), "Pause", false},
        {"bsrecord", bytes(F::bsrecord), "Record", false},
        {"bsstop", bytes(F::bsstop), "Stop", false},
        {"bsforward", bytes(F::bsforward), "Fast Fwd", false},
        {"bsrewind", bytes(F::bsrewind), "Rewind", false},
        {"bsslowfifth", bytes(F::bsslowfifth), "Var Fwd", false},
        {"bsslowthird", bytes(F::bsslowthird), "Var Fwd", false},
        {"bsslowhalf", bytes(F::bsslowhalf), "Var Fwd", false},
        {"bsfasttwo", bytes(F::bsfasttwo), "Shuttle Fwd", false},
        {"bsfastfive", bytes(F::bsfastfive), "Shuttle Fwd", false},
        {"bsjogf", bytes(F::bsjogf), "Jog Fwd", false},
        {"bsjogr", bytes(F::bsjogr), "Jog Rev", false},
        {"bsshutfwd", bytes(F::bsshutfwd), "Pause", false}, // speed 0: the same bytes as pause
        {"bsshutrev", bytes(F::bsshutrev), "Shuttle Rev", false},
        {"bssbyon", bytes(F::bssbyon), "Standby On", false},
        {"bssbyoff", bytes(F::bssbyoff), "Standby Off", false},
        {"bseeon", bytes(F::bseeon), "E-E On", false},
        {"bseeoff", bytes(F::bseeoff), "E-E Off", false},
        {"bscue", bytes(F::bscue), "Cue Up With Data", false},
        {"bsgettc", bytes(F::bsgettc), "Current Time Sense", true},
        {"bsstatus", bytes(F::bsstatus), "Status Sense", true},
        {"bssettimemode", bytes(F::bssettimemode), "Time Mode", false},
        {"bssetbvw75", bytes(F::bssetbvw75), "Recorder Set-Up", false},
        {"bssetcompression", bytes(F::bssetcompression), "Recorder Set-Up", false},
        {"bssetvideomode", bytes(F::bssetvideomode), "Recorder Set-Up", false},
        {"bssetvideotype", bytes(F::bssetvideotype), "Recorder Set-Up", false},
        {"bssetlooprecmode", bytes(F::bssetlooprecmode), "Recorder Set-Up", false},
        {"bssetloopplaymode", bytes(F::bssetloopplaymode), "Recorder Set-Up", false},
        {"bseject", bytes(F::bseject), "Eject", false},
        {"bssetpreroll", bytes(F::bssetpreroll), "Preroll Time Preset", false},
        {"bsvidrefdisableon", bytes(F::bsvidrefdisableon), "Video Ref Disable On", false},
        {"bsvidrefdisableoff", bytes(F::bsvidrefdisableoff), "Video Ref Disable Off", false},
        {"bsformatdisk", bytes(F::bsformatdisk), "Recorder Set-Up", false},
        // Frames built per call.
        {"ShuttleFrame fwd 32", bytes(ShuttleFrame(false, 32)), "Shuttle Fwd", false},
        {"ShuttleFrame fwd 0", bytes(ShuttleFrame(false, 0)), "Pause", false},
        {"ShuttleFrame rev 0", bytes(ShuttleFrame(true, 0)), "Shuttle Rev", false},
        {"SetupFrame", bytes(SetupFrame(F::bssetvideomode, 3)), "Recorder Set-Up", false},
        {"CueFrame", bytes(CueFrame("01:02:03:04").value()), "Cue Up With Data", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frame);
        EXPECT_EQ(CommandName(c.bytes), c.name);
        EXPECT_EQ(IsSenseRequest(c.bytes), c.sense);
    }
}

TEST(DeckRefusal, UnnamedCommandsByHexAndSensesByTheirGroup) {
    EXPECT_EQ(CommandName(Bytes{0x20, 0x30, 0x50}), "20 30");
    EXPECT_EQ(CommandName(Bytes{0x4F, 0x0A}), "4F 0A");
    EXPECT_EQ(CommandName(Bytes{0x61, 0x0A, 0x6B}), "61 0A");
    const std::pair<Bytes, bool> senses[] = {
        {{0x60, 0x00}, true},  {{0x61, 0x0A, 0x00}, true}, {{0x63, 0x20}, true},  {{0x6F}, true},
        {{0x5F, 0x0C}, false}, {{0x70, 0x0C}, false},      {{0xE1, 0x0C}, false}, {{}, false},
    };
    for (const auto& [frame, sense] : senses)
        EXPECT_EQ(IsSenseRequest(frame), sense) << testing::PrintToString(frame);
}

TEST(DeckRefusal, RefusalTextNamesTheCommandAndItsReasons) {
    EXPECT_EQ(RefusalText(F::bsplay, 0x80), "Deck refused Play (time-out)");
    EXPECT_EQ(RefusalText(F::bspause, 0x05),
              "Deck refused Pause (undefined command, checksum error)");
    EXPECT_EQ(RefusalText(Bytes{0x20, 0x30, 0x50}, 0x00), "Deck refused 20 30 (no reason given)");
}
} // namespace
