#include "CaptureBatch.h"

#include <numeric>

CaptureBatch::CaptureBatch(CaptureDeck& d, WaitClock n) : deck(d), clock(std::move(n)) {}

CaptureBatch::~CaptureBatch() {
    cancel();
    std::lock_guard lock(threadMutex);
    if (thread.joinable()) thread.join();
}

bool CaptureBatch::start(std::vector<CaptureClip> clips, CaptureSettings s) {
    std::lock_guard lock(threadMutex);
    if (busy) return false;
    if (thread.joinable()) thread.join(); // the batch before has ended: only its thread is left
    // Cleared before the batch counts as under way: a cancel from then on is heard.
    cancelled.clear();
    busy = true;
    {
        std::lock_guard settingsLock(mutex);
        settings = std::move(s);
    }
    update([&](CaptureProgress& p) {
        p = CaptureProgress{};
        p.running = true;
        p.began = CaptureProgress::Clock::now();
        for (const auto& clip : clips) {
            p.clips.push_back({clip, ClipState::Waiting, {}, {}});
            p.framesTotal += clip.frames();
        }
    });
    thread = std::thread(&CaptureBatch::run, this, std::move(clips));
    return true;
}

void CaptureBatch::cancel() {
    if (busy) cancelled.request();
}

CaptureSettings CaptureBatch::lastSettings() const {
    std::lock_guard lock(mutex);
    return settings;
}

CaptureProgress CaptureBatch::progress() const {
    std::lock_guard lock(mutex);
    return now;
}

void CaptureBatch::update(const std::function<void(CaptureProgress&)>& change) {
    std::lock_guard lock(mutex);
    change(now);
}

void CaptureBatch::run(std::vector<CaptureClip> clips) {
    ClipCapture capture(deck, settings, cancelled, clock);
    long before = 0; // the frames of the clips ended
    bool stop = false;
    for (size_t i = 0; i < clips.size(); ++i) {
        if (stop || cancelled.requested()) {
            update([&](CaptureProgress& p) { p.clips[i].state = ClipState::NotCaptured; });
            continue;
        }
        update([&](CaptureProgress& p) { p.current = static_cast<int>(i); });
        ClipOutcome outcome;
        try {
            outcome = capture.run(
                clips[i],
                [&](ClipState state, const std::string& stem) {
                    update([&](CaptureProgress& p) {
                        p.clips[i].state = state;
                        p.clips[i].stem = stem;
                    });
                },
                [&](int frames) {
                    update([&](CaptureProgress& p) {
                        p.framesDone = before + std::min(frames, clips[i].frames());
                    });
                });
        } catch (const std::exception& e) {
            // Whatever went wrong, the clip's recorder has been stopped by now (its owner is
            // gone); the batch stops here.
            outcome = {ClipState::Failed, {std::string("capture error: ") + e.what()}, true};
            deck.stopDeck();
        }
        before += clips[i].frames();
        stop = outcome.stopBatch;
        update([&](CaptureProgress& p) {
            p.clips[i].state = outcome.state;
            if (outcome.state == ClipState::Failed) {
                std::string reason;
                for (const auto& text : outcome.problems)
                    reason += (reason.empty() ? "" : "; ") + text;
                p.clips[i].reason = reason;
            }
            p.framesDone = before;
        });
    }
    std::string summary;
    update([&](CaptureProgress& p) {
        p.running = false;
        p.ended = true;
        p.finished = CaptureProgress::Clock::now();
        summary = SummaryText(p);
    });
    deck.say(summary);
    busy = false;
}
