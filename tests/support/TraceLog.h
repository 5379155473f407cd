#pragma once

#include "DeckSim.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// The frames a simulated deck received, with the time each arrived, and every line of its trace
// (frames received, replies sent, frames dropped).
class TraceLog {
public:
    struct Frame {
        std::chrono::steady_clock::time_point at;
        std::string bytes; // "61 0C 03 70 "
    };

    explicit TraceLog(DeckSim& deck) : sim(deck) {
        sim.setTraceCallback([this](const std::string& line) {
            const auto at = std::chrono::steady_clock::now();
            std::lock_guard lock(mutex);
            traceLines.push_back(line);
            const auto rx = line.find(" RX ");
            if (rx != std::string::npos) frames.push_back({at, line.substr(rx + 4)});
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
    // Every trace line since the start or the last clear(), as the simulator wrote it.
    std::vector<std::string> lines() const {
        std::lock_guard lock(mutex);
        return traceLines;
    }
    void clear() {
        std::lock_guard lock(mutex);
        frames.clear();
        traceLines.clear();
    }
    // Waits until at least n frames have arrived, requests included (at most timeoutMs).
    bool waitForFrames(size_t n, int timeoutMs = 10000) const {
        return waitFor([&] { return all().size() >= n; }, timeoutMs);
    }
    // Waits until a trace line holds `text` (" DROP ", " TX 10 01 11 ", ...).
    bool waitForLine(const std::string& text, int timeoutMs = 10000) const {
        return waitFor(
            [&] {
                for (const auto& l : lines())
                    if (l.find(text) != std::string::npos) return true;
                return false;
            },
            timeoutMs);
    }
    // Waits until at least n commands have arrived (at most timeoutMs).
    bool waitForCommands(size_t n, int timeoutMs = 3000) const {
        return waitFor([&] { return commands().size() >= n; }, timeoutMs);
    }

private:
    static bool waitFor(const std::function<bool()>& done, int timeoutMs) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }

    DeckSim& sim;
    // Guards frames and traceLines.
    mutable std::mutex mutex;
    std::vector<Frame> frames;
    std::vector<std::string> traceLines;
};
