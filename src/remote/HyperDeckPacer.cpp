#include "HyperDeckPacer.h"

#include <thread>

HyperDeckPacer::Turn::Turn(HyperDeckPacer& p) : pacer(&p), lock(p.mutex) {
    std::this_thread::sleep_until(pacer->next);
}

HyperDeckPacer::Turn::~Turn() {
    if (lock.owns_lock()) pacer->next = Clock::now() + std::chrono::milliseconds(gapMs);
}
