#pragma once

#include "CaptureDeck.h"
#include "CaptureProgress.h"
#include "ClipCapture.h"
#include "StopSignal.h"

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

// A batch of clips captured one after the other on a thread of its own. A clip that fails lets
// the batch go on with the next, unless the recorder cannot start or the deck is not under
// control; a cancel ends the clip under way (cancelled) and leaves the rest not captured. At the
// end it says "Captured N of M clips" (", K failed").
class CaptureBatch {
public:
    explicit CaptureBatch(
        CaptureDeck& deck, WaitClock now = [] { return std::chrono::steady_clock::now(); });
    ~CaptureBatch(); // cancels a batch under way and waits for its end
    CaptureBatch(const CaptureBatch&) = delete;
    CaptureBatch& operator=(const CaptureBatch&) = delete;

    // Starts capturing the clips; false when a batch is under way already.
    bool start(std::vector<CaptureClip> clips, CaptureSettings settings);
    void cancel();
    bool running() const { return busy; }
    CaptureProgress progress() const;
    // The settings of the batch under way, or of the last one.
    CaptureSettings lastSettings() const;

private:
    void run(std::vector<CaptureClip> clips);
    void update(const std::function<void(CaptureProgress&)>& change);

    CaptureDeck& deck;
    const WaitClock clock;
    CaptureSettings settings; // the batch's, set before its thread starts
    std::atomic<bool> busy{false};
    StopSignal cancelled;
    // Guards now, and settings where they are set and read from outside the batch's thread.
    mutable std::mutex mutex;
    CaptureProgress now;
    // Guards thread: start and the destructor.
    std::mutex threadMutex;
    std::thread thread;
};
