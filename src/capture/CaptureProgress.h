#pragma once

#include "CaptureClip.h"

#include <chrono>
#include <string>
#include <vector>

// Where a batch of clips stands: what the capture window and "CaptureStatus" show.
enum class ClipState { Waiting, Cueing, Recording, Done, Failed, Cancelled, NotCaptured };

struct ClipProgress {
    CaptureClip clip;
    ClipState state = ClipState::Waiting;
    std::string reason; // the problems of a failed clip, "; " between them
    std::string stem;   // the name its files have ("002_Interview"), once known
    std::string exit;   // the recorder's exit status and what it means, once it has ended
};

struct CaptureProgress {
    using Clock = std::chrono::steady_clock;
    bool running = false;
    bool ended = false; // a batch has run and ended
    std::vector<ClipProgress> clips;
    int current = -1;    // index of the clip under way
    long framesDone = 0; // of the batch's frames: the clips ended, and the recording one so far
    long framesTotal = 0;
    Clock::time_point began{};
    Clock::time_point finished{};
};

// "waiting", "cueing", "recording", "done", "failed: <reason>", "cancelled", "not captured".
std::string StateText(const ClipProgress& clip);
// Clips done, and failed, of a batch.
int CapturedCount(const CaptureProgress& p);
int FailedCount(const CaptureProgress& p);
// "Captured N of M clips", then ", K failed", ", K cancelled" and ", K not captured" for each
// that is not none.
std::string SummaryText(const CaptureProgress& p);
// The one-line answer to "CaptureStatus": "capturing 2 of 3 002_Interview",
// "done 3 of 3, 0 failed" (clips captured of the batch's clips), or "idle" before any batch.
std::string StatusLine(const CaptureProgress& p);
// The batch's frames not yet captured, as play time at the rate's frame duration, in seconds.
double RemainingSeconds(const CaptureProgress& p, double frameMs);
