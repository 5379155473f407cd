#pragma once

#include <condition_variable>
#include <mutex>

// A request to stop that a sleeping thread hears at once: sleepFor() ends early when request()
// is called from another thread. Used for the operator's stop of a script and for the owner's
// stop of a cue run.
class StopSignal {
public:
    void request();
    void clear();
    bool requested() const;
    // Sleeps ms milliseconds, or less when a stop is requested; true when the whole time passed.
    bool sleepFor(int ms);

private:
    // Guards stop.
    mutable std::mutex mutex;
    std::condition_variable changed;
    bool stop = false;
};
