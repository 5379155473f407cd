#include "StopSignal.h"

#include <chrono>

void StopSignal::request() {
    {
        std::lock_guard lock(mutex);
        stop = true;
    }
    changed.notify_all();
}

void StopSignal::clear() {
    std::lock_guard lock(mutex);
    stop = false;
}

bool StopSignal::requested() const {
    std::lock_guard lock(mutex);
    return stop;
}

bool StopSignal::sleepFor(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms > 0 ? ms : 0);
    std::unique_lock lock(mutex);
    return !changed.wait_until(lock, end, [this] { return stop; });
}
