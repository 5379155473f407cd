#pragma once

#include "CaptureDeck.h"
#include "MomentTrigger.h"
#include "PlayClock.h"
#include "TimecodeMap.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// The reads of the deck's time during one clip, seen in the poller's cycle: from the play
// towards the in point it arms the start of the recorder at the moment the deck is predicted to
// reach it (re-armed by every read); once recording, it keeps the timecode map, sees timecode
// breaks and arms the stop at the out point the same way. Reads that have reached a point
// already fire its action at once.
class ClipWatch {
public:
    using Clock = std::chrono::steady_clock;
    // The recorder's start and stop, run on the triggers' threads at their moments. start returns
    // false when the recorder did not start.
    struct Actions {
        std::function<bool()> start;
        std::function<void()> stop;
    };

    ClipWatch(timecode::Rate rate, double frameMs);
    ~ClipWatch(); // the triggers end first: no action runs after

    // From now the reads arm the start at startFrames, then the stop at stopFrames.
    void begin(int startFrames, int stopFrames, Actions actions);
    // Every read: call from the poller's watcher.
    void read(const DeckRead& r);
    // The reads are no longer watched; the triggers are disarmed.
    void end();

    // What the run thread looks at.
    std::optional<Clock::time_point> startedAt() const { return startTrigger.firedAt(); }
    std::optional<Clock::time_point> stoppedAt() const { return stopTrigger.firedAt(); }
    bool recorderStarted() const;
    // The last time the deck's time moved (or begin()), for a deck that stops.
    Clock::time_point lastMoved() const;
    // The timecode at the recorder's start and stop ("" before).
    std::string startTc() const;
    std::string stopTc() const;
    // The timecode of a read already more than 2 frames past the start point before the start's
    // moment came (the deck was past it), else "". Reads while the recorder is being started
    // do not count.
    std::string pastStart() const;
    // "timecode break at ..." for each break seen while recording.
    std::vector<std::string> breaks() const;
    std::vector<MapRead> map() const;
    // Where the deck was (in frames, with the part of a frame) when the stop fired; nothing
    // before, or when it never fired.
    std::optional<double> stopPosition() const;
    // The deck's position at a moment, from the reads' clock.
    double deckPositionAt(Clock::time_point at) const;
    // Frames recorded so far (for the progress).
    int framesRecorded() const;

private:
    enum class Phase { Idle, ToStart, Recording, Ended };
    void fireStart();
    void fireStop();
    // The deck's position at a moment, from the clock or else the last read.
    double positionAt(Clock::time_point at) const;

    const timecode::Rate rate;
    const double frameMs;
    // Guards every field below; never held while arming a trigger.
    mutable std::mutex mutex;
    Phase phase = Phase::Idle;
    PlayClock clock;
    int startTarget = 0;
    int stopTarget = 0;
    Actions actions;
    bool started = false;
    bool starting = false; // the start's moment has come: the recorder is being started
    Clock::time_point recorderStart{};
    std::string startText;
    std::string stopText;
    int lastFrames = -1;
    Clock::time_point moved{};
    double startPosition = 0; // where the deck was at the recorder's start
    std::optional<double> stoppedPosition;
    // The read before.
    int previous = -1;
    Clock::time_point previousSent{};
    Clock::time_point previousReceived{};
    std::string overshot;
    int recorded = 0;
    std::vector<std::string> breakTexts;
    std::vector<MapRead> reads;
    // Declared last: their threads end before the fields their actions use.
    MomentTrigger startTrigger;
    MomentTrigger stopTrigger;
};
