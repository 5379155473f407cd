#include "HyperDeckPacer.h"

#include <thread>

HyperDeckPacer::Turn::Turn(HyperDeckPacer& p) : pacer(&p) {
    std::unique_lock lock(p.mutex);
    const unsigned long mine = p.asked++;
    p.turnEnded.wait(lock, [&] { return p.serving == mine; });
    const Clock::time_point from = p.next;
    lock.unlock();
    std::this_thread::sleep_until(from);
}

HyperDeckPacer::Turn::~Turn() {
    if (!pacer) return;
    {
        std::lock_guard lock(pacer->mutex);
        pacer->next = Clock::now() + std::chrono::milliseconds(gapMs);
        ++pacer->serving;
    }
    pacer->turnEnded.notify_all();
}
