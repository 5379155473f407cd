#include "KOLB.h"
#include "Pty.h"

#include <gtest/gtest.h>

// The reply wait that start-up gives the deck link, by device type.
TEST(MakeSerial, SetsNineMillisecondsAndTwentyFiveForLanc) {
    std::vector<std::string> lines;
    Utils::SetLineSink([&](const std::string& l) { lines.push_back(l); });
    for (const bool lanc : {false, true}) {
        Pty deck;
        KOLB::settings = Settings();
        KOLB::settings.comport1 = deck.slavePath();
        KOLB::settings.lanc = lanc;
        lines.clear();
        KOLB().MakeSerial();
        ASSERT_TRUE(KOLB::sop);
        EXPECT_EQ(KOLB::sop->getwait(), lanc ? 25 : 9);
        EXPECT_EQ(lines.back(), "Serial Port " + deck.slavePath() + " Opened OK");
        KOLB::sop.reset();
    }
    Utils::SetLineSink({});
}
