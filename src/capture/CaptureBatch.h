#pragma once

#include "CaptureDeck.h"
#include "CaptureProgress.h"
#include "CaptureReport.h"
#include "ClipCapture.h"
#include "StopSignal.h"

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

// A batch of clips captured one after the other on a thread of its own. A clip that fails lets
// the batch go on with the next, unless the recorder cannot start, there is no room, or the deck
// is not under control; a cancel ends the clip under way (cancelled) and leaves the rest not
// captured. After each clip it writes capture_report.html in the folder; at the end it says
// "Captured N of M clips, K failed, C cancelled, L not captured". A batch the deck ended (LOCAL,
// no tape, the link lost) sends Stop again as soon as the deck is back under control.
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
    // The clip at index i ended: its row in the report, and the report written.
    void report(size_t i, const ClipOutcome& outcome);
    void writeReport();
    // Waits, until the deck is under control again or a new batch or the end comes, to stop it.
    void stopWhenBack();

    CaptureDeck& deck;
    const WaitClock clock;
    CaptureSettings settings; // the batch's, set before its thread starts
    std::atomic<bool> busy{false};
    StopSignal cancelled;
    StopSignal ending; // a new batch or the owner's end: no more waiting for the deck
    // Guards now, and settings where they are set and read from outside the batch's thread.
    mutable std::mutex mutex;
    CaptureProgress now;
    // The report's rows: those of the passes before (a capture of failed clips keeps them) and
    // this batch's, one a clip, in order. The run thread's alone while a batch runs.
    std::vector<ReportRow> rows;
    size_t firstRow = 0; // this batch's first row
    // Guards thread: start and the destructor.
    std::mutex threadMutex;
    std::thread thread;
};
