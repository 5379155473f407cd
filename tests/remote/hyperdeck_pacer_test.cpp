// The HyperDeck clients' deck commands take turns: never two at once, and each begins at least
// a poll interval after the one before it ended, whichever client sent it.
#include "HyperDeckPacer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <thread>
#include <vector>

TEST(HyperDeckPacer, TurnsNeverOverlapAndComeAGapApart) {
    using Clock = std::chrono::steady_clock;
    HyperDeckPacer pacer;
    std::mutex mutex; // guards turns
    std::vector<std::pair<Clock::time_point, Clock::time_point>> turns;
    std::vector<std::thread> clients;
    for (int c = 0; c < 3; ++c) {
        clients.emplace_back([&] {
            for (int n = 0; n < 3; ++n) {
                const auto turn = pacer.turn();
                const auto began = Clock::now();
                std::this_thread::sleep_for(std::chrono::milliseconds(2)); // the exchange
                std::lock_guard lock(mutex);
                turns.emplace_back(began, Clock::now());
            }
        });
    }
    for (auto& client : clients) client.join();
    ASSERT_EQ(turns.size(), 9u);
    std::sort(turns.begin(), turns.end());
    for (size_t i = 1; i < turns.size(); ++i)
        EXPECT_GE(turns[i].first - turns[i - 1].second,
                  std::chrono::milliseconds(HyperDeckPacer::gapMs))
            << "turn " << i;
}
