#pragma once

#include <chrono>
#include <deque>
#include <optional>

// Where a deck playing at play speed is at any moment, from the latest time reads: the deck moves
// one frame per frame time, so each read (frame F latched somewhere between the request's send
// and the reply's arrival) bounds the moment it reached frame 0 of the count to one frame's
// width. The bounds of consecutive reads that agree are intersected; a read that disagrees by
// more than that (the deck stood, sped, jumped) starts the bounds again from itself.
class PlayClock {
public:
    using Clock = std::chrono::steady_clock;
    struct Read {
        int frames;
        Clock::time_point sent;     // the time request went out
        Clock::time_point received; // its reply came in
    };

    // frameMs: a frame's duration (1000/30, 40, 1001/30).
    explicit PlayClock(double frameMs) : frameNs(frameMs * 1e6) {}

    // One read; true when it agreed with the reads before it (false also for the first).
    bool add(const Read& read);
    // Forgets every read (the deck was told to move otherwise).
    void reset();
    // The reads agree and at least two of them, one frame or more apart, show the deck moving.
    bool playing() const;
    // The moment the deck reaches (enters) a frame count; nothing until playing().
    std::optional<Clock::time_point> when(int frames) const;
    // The deck's position at a moment, in frames with fractions; nothing until playing().
    std::optional<double> framesAt(Clock::time_point at) const;
    double frameMs() const { return frameNs / 1e6; }

private:
    double origin() const { return (low + high) / 2; }

    double frameNs;
    // Bounds (ns on the steady clock) of the moment frame 0 would have been entered.
    double low = 0;
    double high = 0;
    int agreeing = 0;
    int firstFrames = 0;
    int lastFrames = 0;
};
