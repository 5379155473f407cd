#pragma once

#include "DeckSim.h"

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

// The frames a simulated deck received, with the time each arrived.
class TraceLog {
public:
    struct Frame {
        std::chrono::steady_clock::time_point at;
        std::string bytes; // "61 0C 03 70 "
    };

    explicit TraceLog(DeckSim& deck) : sim(deck) {
        sim.setTraceCallback([this](const std::string& line) {
            const auto rx = line.find(" RX ");
            if (rx == std::string::npos) return;
            std::lock_guard lock(mutex);
            frames.push_back({std::chrono::steady_clock::now(), line.substr(rx + 4)});
        });
    }
    // Waits for a callback in progress, then takes the callback away.
    ~TraceLog() { sim.setTraceCallback({}); }
    TraceLog(const TraceLog&) = delete;
    TraceLog& operator=(const TraceLog&) = delete;

    std::vector<Frame> all() const {
        std::lock_guard lock(mutex);
        return frames;
    }
    std::vector<std::string> bytes() const {
        std::vector<std::string> out;
        for (const auto& f : all()) out.push_back(f.bytes);
        return out;
    }
    // The frames that are not time or status requests (the poller's reads).
    std::vector<Frame> commands() const {
        std::vector<Frame> out;
        for (const auto& f : all())
            if (f.bytes != "61 0C 03 70 " && f.bytes != "61 20 09 8A ") out.push_back(f);
        return out;
    }
    std::vector<std::string> commandBytes() const {
        std::vector<std::string> out;
        for (const auto& f : commands()) out.push_back(f.bytes);
        return out;
    }
    void clear() {
        std::lock_guard lock(mutex);
        frames.clear();
    }
    // Waits until at least n commands have arrived (at most timeoutMs).
    bool waitForCommands(size_t n, int timeoutMs = 3000) const {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (commands().size() < n) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }

private:
    DeckSim& sim;
    // Guards frames.
    mutable std::mutex mutex;
    std::vector<Frame> frames;
};
