#include "MomentTrigger.h"

MomentTrigger::MomentTrigger() : thread(&MomentTrigger::run, this) {}

MomentTrigger::~MomentTrigger() {
    {
        std::lock_guard lock(mutex);
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
    std::lock_guard lock(mutex);
    if (!fired) {
        action = nullptr;
        moment.reset();
    }
}

std::optional<MomentTrigger::Clock::time_point> MomentTrigger::firedAt() const {
    std::lock_guard lock(mutex);
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
        // The action runs under the lock: a disarm or a new arming waits for it, so it is never
        // half-done when they return.
        act();
    }
}
