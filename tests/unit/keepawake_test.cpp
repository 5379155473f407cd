#include "KeepAwake.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

TEST(KeepAwake, ShowsTheWindowEachIntervalUntilKilled) {
    std::atomic<int> shows{0};
    KeepAwake keep([&] { ++shows; }, 20);
    keep.start();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    keep.kill();
    const int atKill = shows;
    EXPECT_GE(atKill, 3);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_LE(shows.load(), atKill + 1);
    EXPECT_FALSE(keep.running());
}

TEST(KeepAwake, TickingAndClearingQuicklyLeavesNoThreadAndDoesNotWaitASecond) {
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < 20; ++i) {
        auto keep = std::make_unique<KeepAwake>([] {});
        keep->start();
        keep->kill();
        keep.reset(); // joins: the thread has ended
    }
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
}
