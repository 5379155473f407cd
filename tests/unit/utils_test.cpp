#include "Utils.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <set>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

TEST(Utils, BS2SWritesUpperCaseHexPairsEachFollowedByABlank) {
    const std::vector<std::uint8_t> play{0x20, 0x01, 0x21};
    EXPECT_EQ(Utils::BS2S(play, 3), "20 01 21 ");
    EXPECT_EQ(Utils::BS2S(play, 0), "");
    EXPECT_EQ(Utils::BS2S(play, -4), "");
    EXPECT_EQ(Utils::BS2S(std::vector<std::uint8_t>{0xFF}, 1), "FF ");
    EXPECT_EQ(Utils::BS2S(std::vector<std::uint8_t>{0x8A, 0x0c}, 2), "8A 0C ");
    // Only the first n bytes, and never past the end of the array.
    EXPECT_EQ(Utils::BS2S(play, 2), "20 01 ");
    EXPECT_EQ(Utils::BS2S(play, 99), "20 01 21 ");
}

TEST(Utils, DelayTSleepsForItsTimeAndZeroReturnsAtOnce) {
    using clock = std::chrono::steady_clock;
    auto t0 = clock::now();
    Utils::DelayT(0);
    EXPECT_LT(clock::now() - t0, std::chrono::milliseconds(5));
    t0 = clock::now();
    Utils::DelayT(30);
    EXPECT_GE(clock::now() - t0, std::chrono::milliseconds(30));
}

// In a child process: the console moves into a file (emptied first), and lines written from
// many threads at once arrive whole.
TEST(Utils, ConsoleRedirectionEmptiesTheLogAndLinesFromThreadsNeverInterleave) {
    char dir[] = "/tmp/kolb-utils-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string log = std::string(dir) + "/Test_Log.txt";
    std::ofstream(log) << "left over from an earlier run\n";

    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (!Utils::RedirectConsole(log)) ::_exit(3);
        std::vector<std::thread> writers;
        for (int t = 0; t < 6; ++t)
            writers.emplace_back([t] {
                for (int i = 0; i < 300; ++i)
                    Utils::OutLine("thread " + std::to_string(t) + " line " + std::to_string(i) +
                                   " " + std::string(40, static_cast<char>('a' + t)));
            });
        for (auto& w : writers) w.join();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);

    std::ifstream in(log);
    std::string line;
    std::set<std::string> seen;
    while (std::getline(in, line)) {
        ASSERT_GE(line.size(), 7u) << line;
        const int t = line[7] - '0';
        const std::string tail(40, static_cast<char>('a' + t));
        EXPECT_EQ(line.substr(line.size() - 40), tail) << line;
        seen.insert(line);
    }
    EXPECT_EQ(seen.size(), 6u * 300u);
    EXPECT_FALSE(seen.contains("left over from an earlier run"));
}

TEST(Utils, RedirectionToAnUnwritablePlaceLeavesTheOutputWhereItWas) {
    EXPECT_FALSE(Utils::RedirectConsole("/nonexistent-dir/KOLB_Log.txt"));
}
