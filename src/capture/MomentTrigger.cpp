#include "MomentTrigger.h"

MomentTrigger::MomentTrigger() : thread(&MomentTrigger::run, this) {}

MomentTrigger::~MomentTrigger() {
    {
        std::unique_lock lock(mutex);
        wake.wait(lock, [this] { return !acting; });
        ending = true;
    }
    wake.notify_all();
    thread.join();
}

void MomentTrigger::prepare(std::function<void()> next) {
    std::lock_guard lock(mutex);
    action = std::move(next);
    moment.reset();
    fired.reset();
}

void MomentTrigger::arm(Clock::time_point at) {
    {
        std::lock_guard lock(mutex);
        if (!action || fired) return;
        moment = at;
    }
    wake.notify_all();
}

void MomentTrigger::unarm() {
    std::lock_guard lock(mutex);
    moment.reset();
}

void MomentTrigger::disarm() {
    std::unique_lock lock(mutex);
    wake.wait(lock, [this] { return !acting; });
    if (!fired) {
        action = nullptr;
        moment.reset();
    }
}

std::optional<MomentTrigger::Clock::time_point> MomentTrigger::firedAt() const {
    std::lock_guard lock(mutex);
    if (acting) return std::nullopt;
    return fired;
}

void MomentTrigger::run() {
    std::unique_lock lock(mutex);
    while (!ending) {
        if (!moment || !action || fired) {
            wake.wait(lock);
            continue;
        }
        const auto at = *moment;
        if (Clock::now() < at) {
            wake.wait_until(lock, at);
            continue; // moved, disarmed, ending, or its time has come: look again
        }
        fired = Clock::now();
        auto act = action;
        // The action runs without the lock, so an arming (from the poller's cycle) never waits
        // for it; a disarm does, so the action is never half-done when that returns.
        acting = true;
        lock.unlock();
        act();
        lock.lock();
        acting = false;
        wake.notify_all();
    }
}
