#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// One worker thread that runs posted actions one at a time, in the order they were posted.
// Operator actions that talk to the deck or wait run here, never on the window's thread.
class ActionThread {
public:
    ActionThread();
    ~ActionThread(); // finishes the running action, drops the rest, joins
    ActionThread(const ActionThread&) = delete;
    ActionThread& operator=(const ActionThread&) = delete;

    void post(std::function<void()> action);
    // Finishes the running action, drops the rest and joins; later posts are ignored.
    void stop();
    // Drops the queued actions and refuses later ones at once, without waiting: the running
    // action, if any, finishes on its own.
    void cancel();
    // Waits until every action posted so far has run (for tests and orderly shutdown).
    void waitIdle();
    bool onThisThread() const { return std::this_thread::get_id() == worker.get_id(); }

private:
    void run();

    // Guards queue, busy and stopping.
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::function<void()>> queue;
    bool busy = false;
    bool stopping = false;
    std::thread worker;
};
