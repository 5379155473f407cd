#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

// Runs an action at a moment, on a thread of its own that waits for it: the moment can be set
// again (re-armed) as often as needed until the action has run; it runs once per arming.
// A moment already past runs the action at once.
class MomentTrigger {
public:
    using Clock = std::chrono::steady_clock;
    MomentTrigger();
    ~MomentTrigger(); // disarms, waits for an action in progress, ends the thread
    MomentTrigger(const MomentTrigger&) = delete;
    MomentTrigger& operator=(const MomentTrigger&) = delete;

    // Sets the action for the next arming; the action before is forgotten unless it has run.
    void prepare(std::function<void()> action);
    // Sets (or moves) the moment of the prepared action. No effect once it has run.
    void arm(Clock::time_point at);
    // The moment is no longer known: the prepared action waits for the next arming.
    void unarm();
    // Forgets the prepared action once it is not running; after this returns it does not start.
    void disarm();
    // The moment the prepared action started, once it has run to its end.
    std::optional<Clock::time_point> firedAt() const;

private:
    void run();

    mutable std::mutex mutex;
    std::condition_variable wake;
    std::function<void()> action;
    std::optional<Clock::time_point> moment;
    std::optional<Clock::time_point> fired;
    bool ending = false;
    bool acting = false; // the action runs now
    std::thread thread;
};
