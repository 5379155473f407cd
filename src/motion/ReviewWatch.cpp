#include "ReviewWatch.h"

void ReviewWatch::arm(int startFrames, int endFrames) {
    std::lock_guard lock(mutex);
    now = State::Armed;
    start = startFrames;
    end = endFrames;
    seenPlaying = false;
}

bool ReviewWatch::reading(int frames) {
    std::lock_guard lock(mutex);
    if (now != State::Armed) return false;
    const bool wrapped = seenPlaying && frames < start;
    if (frames >= start) seenPlaying = true;
    if (frames < end - 1 && !wrapped) return false;
    now = State::Reached;
    return true;
}

bool ReviewWatch::callOff() {
    std::lock_guard lock(mutex);
    if (now != State::Armed) return false;
    now = State::CalledOff;
    return true;
}

ReviewWatch::State ReviewWatch::state() const {
    std::lock_guard lock(mutex);
    return now;
}
