#pragma once

#include "CueTarget.h"
#include "StopSignal.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

// One cue run: cues the deck to the frame it was given, pauses, settles and declares the deck
// cued; then, as the controller's flags say at that moment, plays, and for a review stops the
// deck again at the out point. Each run is a thread of its own; the controller keeps the newest.
class CueThread {
public:
    static constexpr int maxtries = 2500;     // 20 ms waits for cue-up, about 50 s
    static constexpr int stallLimitMs = 5000; // a review gives up when the time stands this long

    using Frame = std::array<std::uint8_t, 7>;
    CueThread(CueTarget& svcr, const Frame& cueFrame, bool vanto);
    ~CueThread(); // stops the run's waits and joins it
    CueThread(const CueThread&) = delete;
    CueThread& operator=(const CueThread&) = delete;

    void start();
    // The run is called off (its owner goes away, the operator stopped the script that waits for
    // it): its waits end at once and it sends nothing more, but it still unlocks the controls.
    void stopme();
    // True once a review run has stopped the deck at its out point (or given up waiting for it).
    bool gotthere() const { return arrived; }
    bool finished() const { return done; }

private:
    enum class OutPoint { Reached, Stalled, Abandoned };
    void run();
    OutPoint waitForOutPoint();
    // Sleeps ms; false when the owner stopped the run meanwhile.
    bool sleep(int ms);
    void tellClient(const char* line);

    CueTarget& svcr;
    CueState& state;
    const Frame frame;
    const bool vanto;
    const std::shared_ptr<ClientLine> connectthread;
    std::atomic<bool> arrived{false};
    std::atomic<bool> done{false};
    StopSignal ownerStop;
    std::thread thread;
};
