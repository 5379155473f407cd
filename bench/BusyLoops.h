#pragma once

#include <atomic>
#include <thread>
#include <vector>

// Busy loops beside a benchmark, as a loaded machine has them (`yes >/dev/null`); they end
// with this object.
class BusyLoops {
public:
    explicit BusyLoops(int count) {
        for (int i = 0; i < count; ++i)
            loops.emplace_back([this] {
                volatile unsigned long n = 0;
                while (spinning.load(std::memory_order_relaxed)) n = n + 1;
            });
    }
    ~BusyLoops() {
        spinning = false;
        for (auto& t : loops) t.join();
    }
    BusyLoops(const BusyLoops&) = delete;
    BusyLoops& operator=(const BusyLoops&) = delete;

private:
    std::atomic<bool> spinning{true};
    std::vector<std::thread> loops;
};
