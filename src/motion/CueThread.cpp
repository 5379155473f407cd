#include "CueThread.h"

#include "Utils.h"

#include <chrono>

CueThread::CueThread(CueTarget& target, const Frame& cueFrame, bool isVanto)
    : svcr(target), state(target.cueState()), frame(cueFrame), vanto(isVanto),
      connectthread(target.client()) {}

CueThread::~CueThread() {
    stopme();
    if (thread.joinable()) thread.join();
}

void CueThread::start() {
    if (!thread.joinable()) thread = std::thread(&CueThread::run, this);
}

void CueThread::stopme() {
    ownerStop.request();
}

bool CueThread::sleep(int ms) {
    if (ownerStop.requested()) return false;
    if (svcr.cueDelay(ms)) return !ownerStop.requested();
    return ownerStop.sleepFor(ms);
}

void CueThread::tellClient(const char* line) {
    if (connectthread) connectthread->Send(line);
}

void CueThread::run() {
    const int settle = vanto ? 50 : 2000;
    const int beforePlay = vanto ? 20 : 2000;
    svcr.lockCueControls(true);
    state.cueup = false;
    svcr.sendFrame(frame);
    tellClient("CUEING!");
    bool alive = true;
    for (int tries = 0; alive && !state.cueup && tries < maxtries; ++tries) alive = sleep(20);
    if (alive) {
        svcr.sendTransport(CueTarget::Transport::Pause);
        alive = sleep(settle);
    }
    if (alive) {
        state.cueup = true;
        tellClient("CUED!");
        svcr.ShowStat("CUED!!");
        alive = sleep(beforePlay);
    }
    if (alive) {
        // A transport command given while the run cued has cleared these: no play, no review.
        if (state.cueplayFlag) svcr.sendTransport(CueTarget::Transport::Play);
        state.cueplayFlag = false;
        arrived = false;
        if (state.reviewclipFlag) {
            tellClient("x!x!x!");
            const OutPoint end = waitForOutPoint();
            if (end != OutPoint::Abandoned) {
                svcr.sendTransport(CueTarget::Transport::Stop);
                if (end == OutPoint::Stalled) svcr.ShowStat("Review stopped before out point");
                arrived = true;
                state.duration = 0;
                tellClient("x#x#x#");
            }
        }
    }
    state.reviewclipFlag = false;
    svcr.TellTCReview(false);
    if (!state.scriptactive) Utils::OutLine("Cue/Review/Play Finished!");
    svcr.lockCueControls(false);
    done = true;
}

CueThread::OutPoint CueThread::waitForOutPoint() {
    using clock = std::chrono::steady_clock;
    int seen = state.tcframes;
    auto moved = clock::now();
    while (state.endframes - 1 > state.tcframes) {
        if (!sleep(2)) return OutPoint::Abandoned;
        const int now = state.tcframes;
        if (now != seen) {
            seen = now;
            moved = clock::now();
        } else if (clock::now() - moved >= std::chrono::milliseconds(stallLimitMs)) {
            return OutPoint::Stalled;
        }
    }
    return OutPoint::Reached;
}
