#include "CueRunSlot.h"

void CueRunSlot::start(const std::shared_ptr<CueThread>& run) {
    std::lock_guard starting(startMutex);
    if (const auto before = newest()) before->finish();
    {
        std::lock_guard lock(runMutex);
        last = run;
    }
    run->start();
}

std::shared_ptr<CueThread> CueRunSlot::newest() const {
    std::lock_guard lock(runMutex);
    return last;
}

void CueRunSlot::callOffReview() {
    if (const auto run = newest(); run && run->isReview()) run->stopme();
}

void CueRunSlot::callOff() {
    if (const auto run = newest()) run->stopme();
}

void CueRunSlot::clear() {
    std::shared_ptr<CueThread> run;
    {
        std::lock_guard lock(runMutex);
        run.swap(last);
    }
}
