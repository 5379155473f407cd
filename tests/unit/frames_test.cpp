#include "CommandFrames.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
template <size_t N> std::vector<std::uint8_t> bytes(const std::array<std::uint8_t, N>& a) {
    return std::vector<std::uint8_t>(a.begin(), a.end());
}
template <size_t N> bool checksumHolds(const std::array<std::uint8_t, N>& f) {
    unsigned sum = 0;
    for (size_t i = 0; i + 1 < N; ++i) sum += f[i];
    return (sum & 0xFF) == f[N - 1] && (f[0] & 0x0F) + 3u == N;
}
using F = CommandFrames;
} // namespace

TEST(CommandFrames, EveryStoredFrameCarriesItsDataCountAndChecksum) {
    EXPECT_TRUE(checksumHolds(F::bsplay));
    EXPECT_TRUE(checksumHolds(F::bspause));
    EXPECT_TRUE(checksumHolds(F::bsrecord));
    EXPECT_TRUE(checksumHolds(F::bsstop));
    EXPECT_TRUE(checksumHolds(F::bsforward));
    EXPECT_TRUE(checksumHolds(F::bsrewind));
    EXPECT_TRUE(checksumHolds(F::bsslowfifth));
    EXPECT_TRUE(checksumHolds(F::bsslowthird));
    EXPECT_TRUE(checksumHolds(F::bsslowhalf));
    EXPECT_TRUE(checksumHolds(F::bsfasttwo));
    EXPECT_TRUE(checksumHolds(F::bsfastfive));
    EXPECT_TRUE(checksumHolds(F::bsjogf));
    EXPECT_TRUE(checksumHolds(F::bsjogr));
    EXPECT_TRUE(checksumHolds(F::bssbyon));
    EXPECT_TRUE(checksumHolds(F::bssbyoff));
    EXPECT_TRUE(checksumHolds(F::bseeon));
    EXPECT_TRUE(checksumHolds(F::bseeoff));
    EXPECT_TRUE(checksumHolds(F::bscue));
    EXPECT_TRUE(checksumHolds(F::bsgettc));
    EXPECT_TRUE(checksumHolds(F::bsstatus));
    EXPECT_TRUE(checksumHolds(F::bssettimemode));
    EXPECT_TRUE(checksumHolds(F::bssetbvw75));
    EXPECT_TRUE(checksumHolds(F::bseject));
    EXPECT_TRUE(checksumHolds(F::bssetpreroll));
    EXPECT_TRUE(checksumHolds(F::bsvidrefdisableon));
    EXPECT_TRUE(checksumHolds(F::bsvidrefdisableoff));
}

TEST(CommandFrames, VariableFramesAreFilledWithTheirChecksums) {
    using V = std::vector<std::uint8_t>;
    EXPECT_EQ(bytes(ShuttleFrame(false, 0x20)), (V{0x21, 0x13, 0x20, 0x54}));
    EXPECT_EQ(bytes(ShuttleFrame(true, 0x20)), (V{0x21, 0x23, 0x20, 0x64}));
    EXPECT_EQ(bytes(ShuttleFrame(false, 0)), bytes(F::bspause));
    EXPECT_EQ(bytes(ShuttleFrame(false, 255)), (V{0x21, 0x13, 0xFF, 0x33}));
    EXPECT_EQ(bytes(ShuttleFrame(true, 255)), (V{0x21, 0x23, 0xFF, 0x43}));

    struct Setup {
        const std::array<std::uint8_t, 6>& base;
        int value;
        V expected;
    };
    for (const Setup& s : {Setup{F::bssetcompression, 4, {0xF3, 0x02, 0xA1, 0x04, 0x00, 0x9A}},
                           Setup{F::bssetvideomode, 2, {0xF3, 0x02, 0x10, 0x02, 0x00, 0x07}},
                           Setup{F::bssetvideotype, 0, {0xF3, 0x02, 0x40, 0x00, 0x00, 0x35}},
                           Setup{F::bssetlooprecmode, 0, {0xF3, 0x02, 0x62, 0x00, 0x00, 0x57}},
                           Setup{F::bssetloopplaymode, 0, {0xF3, 0x02, 0x70, 0x00, 0x00, 0x65}}})
        EXPECT_EQ(bytes(SetupFrame(s.base, s.value)), s.expected);
}

TEST(CommandFrames, CueFramesTakeTheDigitPositionsOnly) {
    using V = std::vector<std::uint8_t>;
    const V cue{0x24, 0x31, 0x04, 0x03, 0x02, 0x01, 0x5F};
    EXPECT_EQ(bytes(*CueFrame("01:02:03:04")), cue);
    EXPECT_EQ(bytes(*CueFrame("01;02;03;04")), cue);
    EXPECT_EQ(bytes(*CueFrame("01:02:03:04 and more")), cue);
    EXPECT_EQ(CueFrame("00:75:00:00").value()[4], 0x75) << "not limited to the usual ranges";
    EXPECT_FALSE(CueFrame("1:02:03:04").has_value());
    EXPECT_FALSE(CueFrame("01:02:0x:04").has_value());
    EXPECT_FALSE(CueFrame("").has_value());
}
