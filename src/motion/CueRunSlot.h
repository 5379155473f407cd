#pragma once

#include "CueThread.h"

#include <memory>
#include <mutex>

// The one cue run that may be alive. A new run calls off the last and waits for its end before
// it starts, so runs never overlap, whoever starts them and however fast.
class CueRunSlot {
public:
    // Calls off the run before, waits for its end, then starts this one.
    void start(const std::shared_ptr<CueThread>& run);
    // The newest run, or nothing before the first.
    std::shared_ptr<CueThread> newest() const;
    // Calls the newest run off when it is a review (the operator stopped the deck); at once.
    void callOffReview();
    // Calls the newest run off, whatever it is; at once.
    void callOff();
    // Lets the newest run go (its thread is joined when nobody else holds it).
    void clear();

private:
    std::mutex startMutex;       // one start at a time, from the call-off to the new run's start
    mutable std::mutex runMutex; // guards last
    std::shared_ptr<CueThread> last;
};
