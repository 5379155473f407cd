#include "KeepAwake.h"

#include <chrono>

KeepAwake::KeepAwake(std::function<void()> showWindow, int intervalMs)
    : show(std::move(showWindow)), interval(intervalMs) {}

KeepAwake::~KeepAwake() {
    kill();
    if (thread.joinable()) thread.join();
}

void KeepAwake::start() {
    if (!thread.joinable()) thread = std::thread(&KeepAwake::run, this);
}

void KeepAwake::kill() {
    {
        std::lock_guard lock(wakeMutex);
        a = false;
    }
    wake.notify_all();
}

void KeepAwake::run() {
    while (a) {
        if (show) show();
        std::unique_lock lock(wakeMutex);
        wake.wait_for(lock, std::chrono::milliseconds(interval), [this] { return !a; });
    }
}
