#include "CueThread.h"

#include "Utils.h"

#include <chrono>

CueThread::CueThread(CueTarget& target, const Frame& cueFrame, bool isVanto, unsigned stops,
                     Plan plan, std::optional<Frame> firstCue)
    : svcr(target), state(target.cueState()), frame(cueFrame), firstFrame(firstCue), vanto(isVanto),
      review(state.reviewclipFlag), stopsAtStart(stops), connectthread(target.client()), how(plan) {
}

CueThread::~CueThread() {
    finish();
}

void CueThread::finish() {
    stopme();
    std::lock_guard lock(joinMutex);
    if (thread.joinable()) thread.join();
}

void CueThread::start() {
    if (thread.joinable()) return;
    // Locked before the caller goes on: its own hold of the controls may end at once.
    svcr.lockCueControls(true);
    thread = std::thread(&CueThread::run, this);
}

void CueThread::stopme() {
    ownerStop.request();
}

bool CueThread::calledOff() const {
    return ownerStop.requested() || (review && state.motionStops != stopsAtStart);
}

bool CueThread::beforePlay() const {
    return !playDecided && !done && !calledOff();
}

bool CueThread::sendUnlessCalledOff(CueTarget::Transport command) {
    const auto link = svcr.holdLink();
    if (command == CueTarget::Transport::Play) playDecided = true;
    if (calledOff()) return false;
    if (command == CueTarget::Transport::Play && !state.cueplayFlag) return false;
    svcr.sendTransport(command);
    return true;
}

bool CueThread::sleep(int ms) {
    if (calledOff()) return false;
    if (!svcr.cueDelay(ms)) ownerStop.sleepFor(ms);
    return !calledOff();
}

void CueThread::tellClient(const char* line) {
    if (connectthread) connectthread->Send(line);
}

bool CueThread::cueUp(const Frame& to) {
    const int settle = vanto ? 50 : 2000;
    const int beforePlay = vanto ? 20 : 2000;
    bool alive = false;
    {
        const auto link = svcr.holdLink();
        alive = !calledOff();
        if (alive) {
            state.cueup = false;
            svcr.sendFrame(to);
        }
        sentCue = true;
    }
    if (alive) tellClient("CUEING!");
    for (int tries = 0; alive && !state.cueup && tries < maxtries; ++tries) alive = sleep(20);
    if (alive) {
        alive = sendUnlessCalledOff(CueTarget::Transport::Pause) && sleep(settle);
    }
    if (alive) {
        state.cueup = true;
        tellClient("CUED!");
        svcr.ShowStat("CUED!!");
        alive = sleep(beforePlay);
    }
    return alive;
}

bool CueThread::playOnce() {
    // A transport command given while the run cued has cleared these: no play, no review.
    sendUnlessCalledOff(CueTarget::Transport::Play);
    state.cueplayFlag = false;
    arrived = false;
    if (!state.reviewclipFlag) return false;
    // From here the poller stops the deck at the out point, in the cycle of the reading.
    state.outPoint.arm(state.startframes, state.endframes);
    tellClient("x!x!x!");
    const OutPoint end = waitForOutPoint();
    if (end == OutPoint::Abandoned) return false;
    if (end == OutPoint::Stalled) {
        svcr.sendTransport(CueTarget::Transport::Stop);
        svcr.ShowStat("Review stopped before out point");
    }
    arrived = true;
    state.duration = 0;
    tellClient("x#x#x#");
    if (!how.loop || end != OutPoint::Reached) return false;
    // The loop plays the clip again from its in point, unless something called it off.
    const auto link = svcr.holdLink();
    if (calledOff()) return false;
    state.cueplayFlag = true;
    playDecided = false;
    return true;
}

void CueThread::run() {
    bool first = true;
    while ((first && how.playAtOnce ? !calledOff() : cueUp(first ? target() : frame)) && playOnce())
        first = false;
    if (!calledOff()) {
        // A run called off leaves the flags to what called it off: a new motion has set its own.
        state.reviewclipFlag = false;
        svcr.TellTCReview(false);
    }
    if (!state.scriptactive) Utils::OutLine("Cue/Review/Play Finished!");
    svcr.lockCueControls(false);
    done = true;
}

CueThread::OutPoint CueThread::waitForOutPoint() {
    using clock = std::chrono::steady_clock;
    int seen = state.tcframes;
    auto moved = clock::now();
    for (;;) {
        switch (state.outPoint.state()) {
        case ReviewWatch::State::Reached:
            return OutPoint::Reached;
        case ReviewWatch::State::CalledOff:
            return OutPoint::Abandoned;
        default:
            break;
        }
        if (!sleep(outPointPollMs)) {
            if (state.outPoint.callOff()) return OutPoint::Abandoned;
            continue; // the poller's Stop came first: the review got there
        }
        // The standstill limit is for a deck that stopped by itself while playing: a pause
        // keeps the review pending.
        const int now = state.tcframes;
        if (now != seen || !svcr.deckPlaying()) {
            seen = now;
            moved = clock::now();
        } else if (clock::now() - moved >= std::chrono::milliseconds(stallLimitMs) &&
                   state.outPoint.callOff()) {
            return OutPoint::Stalled;
        }
    }
}
