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
    // a review or script that would move the deck under it).
    std::string start(std::vector<CaptureClip> clips, const std::string& tape,
                      bool fromScript = false);
    // "CaptureAll": the newest logger's clips. In a script it returns once the batch has ended,
    // and a cancelled batch ends the script.
    void captureAll();
    // "CaptureStatus": one line to the client.
    void report();

private:
    LocalVCR& vcr;
    std::unique_ptr<CaptureDeck> link;
    std::unique_ptr<CaptureBatch> captureBatch;
};
