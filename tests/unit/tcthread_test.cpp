#include "TCThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
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

TEST(TCThread, ACycleThatThrowsIsAbandonedAndPollingGoesOn) {
    // The first reads fail in two ways; later ones succeed.
    class Failing : public Reads {
    public:
        void CommandB8() override {
            const int k = ++calls;
            if (k == 1) throw std::runtime_error("decoding failed");
            if (k == 2) throw 42;
            Reads::CommandB8();
        }
        std::atomic<int> calls{0};
    } reads;
    TCThread poller(reads, false, false);
    poller.setsleeptime(1);
    poller.start();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (reads.seen().size() < 5 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(poller.running());
    poller.stopme();
    // The status read of the first cycle went with it; the ninth cycle reads status again.
    EXPECT_EQ(reads.seen().substr(0, 5), "TTTTT");
}

TEST(TCThread, StoppingDuringTheSleepStillFinishesThatCycle) {
    Reads reads;
    TCThread poller(reads, false, false);
    poller.setsleeptime(1500);
    poller.start();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    poller.stopme();
    EXPECT_EQ(reads.seen(), "");
    while (poller.running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(reads.seen(), "TS");
}
