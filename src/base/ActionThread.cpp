#include "ActionThread.h"

ActionThread::ActionThread() : worker(&ActionThread::run, this) {}

ActionThread::~ActionThread() {
    stop();
}

void ActionThread::stop() {
    cancel();
    if (worker.joinable() && !onThisThread()) worker.join();
}

void ActionThread::cancel() {
    {
        std::lock_guard lock(mutex);
        stopping = true;
        queue.clear();
    }
    changed.notify_all();
}

void ActionThread::post(std::function<void()> action) {
    {
        std::lock_guard lock(mutex);
        if (stopping) return;
        queue.push_back(std::move(action));
    }
    changed.notify_all();
}

void ActionThread::waitIdle() {
    std::unique_lock lock(mutex);
    changed.wait(lock, [this] { return stopping || (queue.empty() && !busy); });
}

void ActionThread::run() {
    std::unique_lock lock(mutex);
    for (;;) {
        changed.wait(lock, [this] { return stopping || !queue.empty(); });
        if (stopping) return;
        auto action = std::move(queue.front());
        queue.pop_front();
        busy = true;
        lock.unlock();
        action();
        lock.lock();
        busy = false;
        changed.notify_all();
    }
}
