#include "ClipWatch.h"

#include <cmath>

namespace {
using Clock = ClipWatch::Clock;
Clock::time_point Midpoint(const DeckRead& r) {
    return r.sent + (r.received - r.sent) / 2;
}
double MsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}
} // namespace

ClipWatch::ClipWatch(timecode::Rate r, double ms) : rate(r), frameMs(ms), clock(ms) {}

ClipWatch::~ClipWatch() {
    end();
}

void ClipWatch::begin(int startFrames, int stopFrames, Actions a) {
    {
        std::lock_guard lock(mutex);
        phase = Phase::ToStart;
        clock.reset();
        startTarget = startFrames;
        stopTarget = stopFrames;
        actions = std::move(a);
        started = false;
        starting = false;
        moved = Clock::now();
        lastFrames = -1;
        previous = -1;
        overshot.clear();
        recorded = 0;
        stoppedPosition.reset();
        breakTexts.clear();
        reads.clear();
        startText.clear();
        stopText.clear();
    }
    startTrigger.prepare([this] { fireStart(); });
    stopTrigger.prepare([this] { fireStop(); });
}

void ClipWatch::end() {
    startTrigger.disarm();
    stopTrigger.disarm();
    std::lock_guard lock(mutex);
    phase = Phase::Ended;
}

void ClipWatch::read(const DeckRead& r) {
    std::optional<Clock::time_point> armStart;
    std::optional<Clock::time_point> armStop;
    bool unknown = false; // the reads no longer agree: no moment until they do again
    bool toStart = false;
    {
        std::lock_guard lock(mutex);
        if (r.frames != lastFrames) {
            lastFrames = r.frames;
            moved = r.received;
        }
        if (phase != Phase::ToStart && phase != Phase::Recording) return;
        const bool agrees = clock.add({r.frames, r.sent, r.received});
        // The frames the deck can have moved since the read before, from the moments both
        // could have been latched; a floor of a position adds one either way. A read that moved
        // more than 2 frames beyond that, or went back, is a break in the timecode; one that
        // stands is a deck that stopped, seen by the run.
        bool jumped = false;
        if (previous >= 0) {
            const int step = r.frames - previous;
            const double least = MsBetween(previousReceived, r.sent) / frameMs - 1;
            const double most = MsBetween(previousSent, r.received) / frameMs + 1;
            jumped = step < 0 || step > most + 2 || (step > 0 && step < least - 2);
        }
        previous = r.frames;
        previousSent = r.sent;
        previousReceived = r.received;
        if (phase == Phase::Recording) {
            reads.push_back(
                {std::llround(MsBetween(recorderStart, Midpoint(r))), r.tc, r.status, r.frames});
            if (jumped) breakTexts.push_back("timecode break at " + r.tc);
        } else if (starting) {
            // The recorder is being started at its moment: the deck going on past the point
            // meanwhile is what it should do.
            return;
        } else if (r.frames > startTarget + 2) {
            // The deck is past the point already: a recorder started now would miss the start.
            overshot = r.tc;
            phase = Phase::Ended;
            return;
        }
        const int target = phase == Phase::ToStart ? startTarget : stopTarget;
        std::optional<Clock::time_point> at =
            r.frames >= target ? std::optional(r.received) : clock.when(target);
        toStart = phase == Phase::ToStart;
        (toStart ? armStart : armStop) = at;
        unknown = !at && !agrees;
    }
    MomentTrigger& trigger = toStart ? startTrigger : stopTrigger;
    if (armStart || armStop)
        trigger.arm(toStart ? *armStart : *armStop);
    else if (unknown)
        trigger.unarm();
}

double ClipWatch::positionAt(Clock::time_point at) const {
    if (auto f = clock.framesAt(at)) return *f;
    return lastFrames + 0.5;
}

void ClipWatch::fireStart() {
    // On the start trigger's thread, at the moment: the recorder first, the bookkeeping after.
    {
        std::lock_guard lock(mutex);
        starting = true;
    }
    const auto at = Clock::now();
    const bool ok = actions.start ? actions.start() : false;
    std::optional<Clock::time_point> armStop;
    {
        std::lock_guard lock(mutex);
        started = ok;
        if (!ok || phase != Phase::ToStart) return;
        phase = Phase::Recording;
        recorderStart = at;
        startPosition = positionAt(at);
        startText = timecode::TimeText(static_cast<int>(std::floor(startPosition)), rate);
        armStop = clock.when(stopTarget);
    }
    if (armStop) stopTrigger.arm(*armStop);
}

void ClipWatch::fireStop() {
    const auto at = Clock::now();
    if (actions.stop) actions.stop();
    std::lock_guard lock(mutex);
    if (phase != Phase::Recording) return;
    phase = Phase::Ended;
    const double position = positionAt(at);
    stoppedPosition = position;
    stopText = timecode::TimeText(static_cast<int>(std::floor(position)), rate);
    recorded = static_cast<int>(std::floor(position - startPosition + 0.5));
}

bool ClipWatch::recorderStarted() const {
    std::lock_guard lock(mutex);
    return started;
}

ClipWatch::Clock::time_point ClipWatch::lastMoved() const {
    std::lock_guard lock(mutex);
    return moved;
}

std::string ClipWatch::startTc() const {
    std::lock_guard lock(mutex);
    return startText;
}

std::string ClipWatch::stopTc() const {
    std::lock_guard lock(mutex);
    return stopText;
}

std::string ClipWatch::pastStart() const {
    std::lock_guard lock(mutex);
    return overshot;
}

std::vector<std::string> ClipWatch::breaks() const {
    std::lock_guard lock(mutex);
    return breakTexts;
}

std::vector<MapRead> ClipWatch::map() const {
    std::lock_guard lock(mutex);
    return reads;
}

std::optional<double> ClipWatch::stopPosition() const {
    std::lock_guard lock(mutex);
    return stoppedPosition;
}

double ClipWatch::deckPositionAt(Clock::time_point at) const {
    std::lock_guard lock(mutex);
    return positionAt(at);
}

int ClipWatch::framesRecorded() const {
    std::lock_guard lock(mutex);
    if (phase == Phase::Recording)
        return static_cast<int>(MsBetween(recorderStart, Clock::now()) / frameMs);
    return recorded;
}
