#pragma once

#include "CueTarget.h"
#include "StopSignal.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

// One cue run: cues the deck to the frame it was given, pauses, settles and declares the deck
// cued; then, as the controller's flags say at that moment, plays, and for a review waits until
// the poller has stopped the deck at the out point. Each run is a thread of its own; at most one
// is alive at a time (CueRunSlot).
//
// A review run is called off by the operator's stop of motion (CueState::motionStops): it then
// ends at once, sends nothing more (no frame at all when its cue frame has not gone yet) and
// unlocks the controls. A plain cue or cue-and-play run goes on cueing and declares the deck
// cued, but does not play.
class CueThread {
public:
    static constexpr int maxtries = 2500;     // 20 ms waits for cue-up, about 50 s
    static constexpr int stallLimitMs = 5000; // a review gives up when the time stands this long
    static constexpr int outPointPollMs = 20; // the run's look at the review's state meanwhile

    using Frame = std::array<std::uint8_t, 7>;
    // How a review run plays a clip: from where the deck is, with no cue first; and again from
    // the in point (cued, as any review) each time it has stopped at the out point, until it is
    // called off.
    struct Plan {
        bool playAtOnce;
        bool loop;
        bool clip; // a clip play (the protocol's single clip)
    };
    // stopsAtStart: the operator's stops of motion counted when the motion was asked for; a
    // review run is called off once the count has moved on.
    // firstCue: where the first pass cues to, when not to cueFrame (a clip play that takes
    // over a goto's cue: its point first, the clip's in point each time after).
    CueThread(CueTarget& svcr, const Frame& cueFrame, bool vanto, unsigned stopsAtStart,
              Plan plan = {false, false, false}, std::optional<Frame> firstCue = std::nullopt);
    ~CueThread(); // stops the run's waits and joins it
    CueThread(const CueThread&) = delete;
    CueThread& operator=(const CueThread&) = delete;

    void start();
    // The run is called off (its owner goes away, the operator stopped the script that waits for
    // it): its waits end at once and it sends nothing more, but it still unlocks the controls.
    void stopme();
    // Calls the run off and waits for its thread to end; any thread but the run's own.
    void finish();
    // The run was started for a review.
    bool isReview() const { return review; }
    // True once a review run has stopped the deck at its out point (or given up waiting for it).
    bool gotthere() const { return arrived; }
    bool finished() const { return done; }
    const Plan& plan() const { return how; }
    // The run has not yet come to its play (or given it up): a play asked for now still goes
    // out once the deck is cued. Read under the link's lock, where the run decides.
    bool beforePlay() const;
    // The cue frame has gone to the deck, or the run has ended without sending it.
    bool cueSent() const { return sentCue || done; }
    // Where the run cues to first.
    const Frame& target() const { return firstFrame ? *firstFrame : frame; }

private:
    enum class OutPoint { Reached, Stalled, Abandoned };
    void run();
    OutPoint waitForOutPoint();
    // Cues to the frame, pauses, settles and declares the deck cued; false when called off.
    bool cueUp(const Frame& to);
    // Plays (for a review, to the out point); true when a loop is to play the clip again.
    bool playOnce();
    // Sleeps ms; false when the run was called off meanwhile.
    bool sleep(int ms);
    bool calledOff() const;
    // Sends one transport command unless the run has been called off (or, for Play, the mode no
    // longer asks for it), checked under the link's lock; false when nothing was sent.
    bool sendUnlessCalledOff(CueTarget::Transport command);
    void tellClient(const char* line);

    CueTarget& svcr;
    CueState& state;
    const Frame frame;
    const std::optional<Frame> firstFrame;
    const bool vanto;
    const bool review;
    const unsigned stopsAtStart; // motionStops when the motion was asked for
    const std::shared_ptr<ClientLine> connectthread;
    const Plan how;
    std::atomic<bool> playDecided{false};
    std::atomic<bool> sentCue{false};
    std::atomic<bool> arrived{false};
    std::atomic<bool> done{false};
    StopSignal ownerStop;
    // Guards thread's join: the owner and the next run's start may both wait for the end.
    std::mutex joinMutex;
    std::thread thread;
};
