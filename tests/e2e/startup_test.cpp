// Runs the real kolb program in a working directory of its own.
#include "Process.h"
#include "Pty.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

const std::string kolb = KOLB_BINARY;

// Waits until the log file holds `text` (the program writes it after start-up).
bool logHolds(const TempDir& dir, const std::string& log, const std::string& text) {
    for (int i = 0; i < 300; ++i) {
        if (dir.read(log).find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

} // namespace

TEST(Startup, WithoutASettingsFileItSaysSoAndEndsWithStatusOneAfterFiveSeconds) {
    TempDir dir;
    Process p(kolb, {}, dir.path());
    EXPECT_EQ(p.wait(15000), 1);
    EXPECT_EQ(p.output(), "No configuration file found!\n");
    EXPECT_GE(p.elapsed(), std::chrono::milliseconds(4900));
    EXPECT_FALSE(dir.exists("KOLB_Log.txt"));
}

TEST(Startup, ADeckPortThatDoesNotExistEndsWithStatusTwoAndLeavesTheOldLog) {
    TempDir dir;
    dir.write("ZEMASettings.txt", "COMPort=/dev/kolb-no-deck\nVCRType=RS422\n");
    dir.write("KOLB_Log.txt", "earlier run\n");
    Process p(kolb, {}, dir.path());
    EXPECT_EQ(p.wait(15000), 2);
    EXPECT_EQ(p.output(), " \nSerial Port /dev/kolb-no-deck not available\n"
                          "Serial port /dev/kolb-no-deck for VCR not available.\n");
    EXPECT_GE(p.elapsed(), std::chrono::milliseconds(4900));
    EXPECT_EQ(dir.read("KOLB_Log.txt"), "earlier run\n") << "neither created nor emptied";
}

TEST(Startup, ATapeDeckOnAPtyOpensItAndWritesTheSettingsBlockToAFreshLog) {
    TempDir dir;
    Pty deck;
    dir.write("ZEMASettings.txt", "UserNote=Studio A\nVerbose=NO\nCOMPort=" + deck.slavePath() +
                                      "\nUseClipboard=NO\nStopOnExit=YES\nVCRType=RS422\n"
                                      "Preroll=00:00:05:00\n");
    dir.write("KOLB_Log.txt", std::string(5000, 'x'));
    Process p(kolb, {}, dir.path());
    ASSERT_TRUE(p.waitForOutput("Opened OK\n", 5000)) << p.output();
    EXPECT_EQ(p.output(), "Unable to set DTR\nUnable to set RTS\nSerial Port " + deck.slavePath() +
                              " Opened OK\n");
    ASSERT_TRUE(logHolds(dir, "KOLB_Log.txt", "Ready\n \n"));
    const std::string expected = " KOLB\n"
                                 " \n"
                                 "SETTINGS:\n"
                                 "User Note        = Studio A\n"
                                 "VCR Type         = RS422\n"
                                 "VCR COM Port     = " +
                                 deck.slavePath() +
                                 "\n"
                                 "Use Clipboard    = NO\n"
                                 "Stop On Exit     = YES\n"
                                 "Verbose          = NO\n"
                                 "\n";
    const std::string log = dir.read("KOLB_Log.txt");
    EXPECT_EQ(log.substr(0, expected.size()), expected);
    // Then the deck controller's start-up, and nothing of the earlier run.
    EXPECT_EQ(log.substr(expected.size()), "RS422 Ready\n \n");
    EXPECT_TRUE(p.running());
}

TEST(Startup, ALancDeckWaitsLongerForRepliesAndSaysSoInTheLog) {
    TempDir dir;
    Pty deck;
    dir.write("ZEMASettings.txt", "COMPort=" + deck.slavePath() + "\nVCRType=LANC\n");
    Process p(kolb, {}, dir.path());
    ASSERT_TRUE(p.waitForOutput("Opened OK\n", 5000));
    ASSERT_TRUE(logHolds(dir, "KOLB_Log.txt", "LANC Device"));
    const std::string log = dir.read("KOLB_Log.txt");
    EXPECT_NE(log.find("Verbose          = \n\nLANC Device\n"), std::string::npos) << log;
}

TEST(Startup, AVantoRecorderIsNamedJutaAndListsItsRecorderSettings) {
    TempDir dir;
    Pty deck;
    dir.write("ZEMASettings.txt", "UserNote=Server 1\nCOMPort=" + deck.slavePath() +
                                      "\nVCRType=VANTO\nCompression=12\nVideoMode=PAL\n");
    Process p(kolb, {}, dir.path());
    ASSERT_TRUE(p.waitForOutput("Opened OK\n", 5000));
    ASSERT_TRUE(logHolds(dir, "JUTA_Log.txt", "Verbose"));
    EXPECT_FALSE(dir.exists("KOLB_Log.txt"));
    const std::string log = dir.read("JUTA_Log.txt");
    EXPECT_EQ(log.rfind(" JUTA\n \nSETTINGS:\n", 0), 0u) << log;
    EXPECT_NE(log.find("VCR COM Port     = " + deck.slavePath() +
                       "\nCompression      = 10\nVideoMode        = PAL\nVideoType        = COMP\n"
                       "LoopRecMode      = NO\nLoopPlayMode     = NO\nUse Clipboard    = \n"),
              std::string::npos)
        << log;
}
