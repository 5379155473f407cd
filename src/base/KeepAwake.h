#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// Re-shows the main window once a second while "Keep On Top" is ticked, which brings it in
// front of other windows. kill() ends it; the owner's destructor waits for the thread.
class KeepAwake {
public:
    explicit KeepAwake(std::function<void()> showWindow, int intervalMs = 1000);
    ~KeepAwake();
    KeepAwake(const KeepAwake&) = delete;
    KeepAwake& operator=(const KeepAwake&) = delete;

    void start();
    void kill();
    bool running() const { return a; }

private:
    void run();

    std::atomic<bool> a{true};
    std::function<void()> show;
    int interval;
    // Guards nothing but the wake-up of kill(); the flag itself is atomic.
    std::mutex wakeMutex;
    std::condition_variable wake;
    std::thread thread;
};
