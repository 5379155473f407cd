#pragma once

#include <functional>
#include <mutex>

// Who holds the cue controls locked: the press of a cue button, from the press until its motion
// has started a run or been refused, and the run, until it ends. The controls are locked from
// the first hold to the last release, so a second press meanwhile finds them locked. show() is
// called outside the count's lock, so shows from two threads may arrive in either order: what
// shows them looks at held() when it does.
class CueControlLock {
public:
    // show(true) locks the controls on screen, show(false) unlocks them.
    explicit CueControlLock(std::function<void(bool)> show) : show(std::move(show)) {}
    void hold();
    void release();
    bool held() const;

private:
    std::function<void(bool)> show;
    // Guards holders.
    mutable std::mutex mutex;
    int holders = 0;
};
