// The real kolb program against the real kolb-decksim program.
#include "Process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace {

const std::string kolb = KOLB_BINARY;
const std::string decksim = DECKSIM_BINARY;

// The frames the simulated deck received, from its trace file.
std::vector<std::string> received(const TempDir& dir) {
    std::ifstream in(dir.file("trace.txt"));
    std::vector<std::string> frames;
    std::string line;
    while (std::getline(in, line)) {
        const auto at = line.find(" RX ");
        if (at != std::string::npos) frames.push_back(line.substr(at + 4));
    }
    return frames;
}

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
    for (int i = 0; i < timeoutMs / 20; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

class Session : public ::testing::Test {
protected:
    void run(const std::string& settings) {
        deck = std::make_unique<Process>(
            decksim, std::vector<std::string>{"--link", "deck", "--trace", "trace.txt"},
            dir.path());
        ASSERT_TRUE(deck->waitForOutput("\n", 5000));
        dir.write("ZEMASettings.txt", "COMPort=deck\n" + settings);
        program = std::make_unique<Process>(kolb, std::vector<std::string>{}, dir.path());
    }
    TempDir dir;
    std::unique_ptr<Process> deck;
    std::unique_ptr<Process> program;
};

} // namespace

TEST_F(Session, ATapeDeckGetsTimeModeThenTheFirstPollCycle) {
    run("VCRType=RS422\n");
    ASSERT_TRUE(waitFor([&] { return received(dir).size() >= 3; }, 5000));
    const auto frames = received(dir);
    EXPECT_EQ(frames[0], "41 36 00 77 ");
    EXPECT_EQ(frames[1], "61 0C 03 70 ");
    EXPECT_EQ(frames[2], "61 20 09 8A ");
    EXPECT_NE(dir.read("KOLB_Log.txt").find("\nRS422 Ready\n \n"), std::string::npos);
    EXPECT_TRUE(program->running());
}

TEST_F(Session, AVantoRecorderGetsItsSetUpAndTheLogSaysSo) {
    run("VCRType=VANTO\nCompression=4\nVideoMode=NTSC\nVideoType=COMP\nLoopRecMode=NO\n"
        "LoopPlayMode=NO\n");
    ASSERT_TRUE(waitFor([&] { return received(dir).size() >= 8; }, 9000));
    const auto frames = received(dir);
    const std::vector<std::string> expected = {
        "F3 02 D0 00 10 D5 ", "F3 02 A1 04 00 9A ", "F3 02 10 02 00 07 ", "F3 02 40 00 00 35 ",
        "F3 02 62 00 00 57 ", "F3 02 70 00 00 65 ", "41 36 00 77 ",       "61 0C 03 70 "};
    EXPECT_EQ(std::vector<std::string>(frames.begin(), frames.begin() + 8), expected);
    const std::string log = dir.read("JUTA_Log.txt");
    EXPECT_NE(log.find("Verbose          = \n\n"
                       "Setting BVW75 Mode on VANTO\n"
                       "Setting Compression on VANTO = 4\n"
                       "Setting PAL/NTSC Mode to NTSC\n"
                       "Setting PAL/NTSC Mode to COMP\n"
                       "Setting Loop Record Mode to NO\n"
                       "Setting Loop Play Mode to NO\n"
                       "VANTO Ready\n \n"),
              std::string::npos)
        << log;
}
