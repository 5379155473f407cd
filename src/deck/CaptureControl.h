#pragma once

#include "CaptureBatch.h"
#include "CaptureClip.h"
#include "CaptureDeck.h"

#include <memory>
#include <string>
#include <vector>

class LocalVCR;

// Capture from the log as the deck controller offers it: a batch started from a logger or the
// command language, run through the capture's view of the deck, reported to clients. The
// controller forwards to it and refuses its other commands while a batch runs.
class CaptureControl {
public:
    explicit CaptureControl(LocalVCR& vcr);
    ~CaptureControl(); // a batch under way is cancelled and its end waited for

    CaptureBatch& batch() { return *captureBatch; }
    bool running() const { return captureBatch->running(); }
    // Cancels a batch under way (its recorder stopped, its deck too); at once.
    void cancel() { captureBatch->cancel(); }
    // Starts capturing the clips of a log with its tape name and shows the capture window;
    // empty, or why nothing started ("No CaptureCommand in the settings", "Capture running",
    // a review or script that would move the deck under it). pass counts the captures of the
    // same clips: 1 for the first.
    std::string start(std::vector<CaptureClip> clips, const std::string& tape,
                      bool fromScript = false, int pass = 1);
    // "Capture Failed": the clips of the last batch that did not end done (failed, cancelled,
    // not captured), as that batch had them, captured again on its tape with the pass after
    // its own; the other clips of that batch are left alone, and the recapture's files take new
    // names. Empty, or why nothing started ("No capture has run yet", "No failed clips to
    // capture again: ...", or what start says).
    std::string startFailed(bool fromScript = false);
    // "CaptureAll": the newest logger's clips; "CaptureFailed": startFailed. In a script each
    // returns once the batch has ended, and a cancelled batch ends the script.
    void captureAll();
    void captureFailed();
    // "CaptureStatus": one line to the client.
    void report();

private:
    // A command's batch: says why when nothing started; else, in a script, waits for its end.
    void followFromCommand(const std::string& why, bool fromScript);
    // A script's line runs on the operator-action thread; a client's on its connection's.
    bool commandFromScript() const;

    LocalVCR& vcr;
    std::unique_ptr<CaptureDeck> link;
    std::unique_ptr<CaptureBatch> captureBatch;
};
