#pragma once

#include <mutex>

// The out point of the review in progress, watched where the deck's time is read: the reading
// that reaches the out point less one frame ends the review in the same poll cycle, so the Stop
// never waits for another thread to wake. A reading below the in point once the clip has been
// seen playing ends it too: the time wrapped at midnight past the out point.
class ReviewWatch {
public:
    enum class State { Idle, Armed, Reached, CalledOff };

    // A review plays from the in point towards the out point (frame counts at the rate in use).
    void arm(int startFrames, int endFrames);
    // One reading of the deck's time; true exactly once, for the reading that ends the review:
    // the caller stops the deck.
    bool reading(int frames);
    // The review ends without reaching its point (the operator stopped the deck, the run gave
    // up): true when it was still armed, so only one of the two sends a Stop.
    bool callOff();
    State state() const;

private:
    // Guards every field: the poller, the run and the operator's Stop meet here.
    mutable std::mutex mutex;
    State now = State::Idle;
    int start = 0;
    int end = 0;
    bool seenPlaying = false;
};
