#include "TCThread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>

namespace {
// Records the order of the poller's reads.
class Reads : public PollTarget {
public:
    void CommandB8() override { add('T'); }
    void CommandStatus() override { add('S'); }
    std::string seen() const {
        std::lock_guard lock(mutex);
        return order;
    }

private:
    void add(char c) {
        std::lock_guard lock(mutex);
        order.push_back(c);
    }
    mutable std::mutex mutex; // guards order
    std::string order;
};
} // namespace

TEST(TCThread, ReadsTheTimeEveryCycleAndTheStatusOnCyclesOneNineSeventeen) {
    Reads reads;
    TCThread poller(reads, false, false);
    poller.setsleeptime(1);
    poller.start();
    while (poller.cycles() < 20) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    poller.stopme();
    while (poller.running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const std::string expected = "TS" + std::string(7, 'T') + "TS" + std::string(7, 'T') + "TS";
    EXPECT_EQ(reads.seen().substr(0, expected.size()), expected);
}

TEST(TCThread, TheIntervalFollowsTheDeckTypeAndTheRecorderWins) {
    Reads reads;
    EXPECT_EQ(TCThread(reads, false, false).getsleeptime(), 35);
    EXPECT_EQ(TCThread(reads, true, false).getsleeptime(), 60);
    EXPECT_EQ(TCThread(reads, false, true).getsleeptime(), 20);
    EXPECT_EQ(TCThread(reads, true, true).getsleeptime(), 20);
}

TEST(TCThread, StoppingDuringTheSleepStillFinishesThatCycle) {
    Reads reads;
    TCThread poller(reads, false, false);
    poller.setsleeptime(150);
    poller.start();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    poller.stopme();
    EXPECT_EQ(reads.seen(), "");
    while (poller.running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(reads.seen(), "TS");
}
