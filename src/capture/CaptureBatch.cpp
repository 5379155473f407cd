#include "CaptureBatch.h"

#include "CaptureLog.h"
#include "DeckHealth.h"
#include "ExitStatus.h"

#include <numeric>

CaptureBatch::CaptureBatch(CaptureDeck& d, WaitClock n) : deck(d), clock(std::move(n)) {}

CaptureBatch::~CaptureBatch() {
    cancel();
    ending.request();
    std::lock_guard lock(threadMutex);
    if (thread.joinable()) thread.join();
}

bool CaptureBatch::start(std::vector<CaptureClip> clips, CaptureSettings s) {
    std::lock_guard lock(threadMutex);
    if (busy) return false;
    // The batch before has ended: only its thread is left, perhaps waiting to stop the deck.
    ending.request();
    if (thread.joinable()) thread.join();
    ending.clear();
    // Cleared before the batch counts as under way: a cancel from then on is heard.
    cancelled.clear();
    busy = true;
    {
        std::lock_guard settingsLock(mutex);
        settings = std::move(s);
    }
    // A first pass starts a new report; a capture of the failures adds its rows to it.
    if (settings.pass <= 1) rows.clear();
    firstRow = rows.size();
    for (const auto& clip : clips) {
        ReportRow row;
        row.event = clip.event;
        row.name = clip.name;
        row.pass = settings.pass;
        row.state = "not captured";
        row.framesAsked = clip.frames();
        rows.push_back(row);
    }
    update([&](CaptureProgress& p) {
        p = CaptureProgress{};
        p.running = true;
        p.began = CaptureProgress::Clock::now();
        for (const auto& clip : clips) {
            p.clips.push_back({clip, ClipState::Waiting, {}, {}, {}});
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
    bool deckLost = false;
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
            outcome = {};
            outcome.state = ClipState::Failed;
            outcome.problems = {std::string("capture error: ") + e.what()};
            outcome.stopBatch = true;
            deck.stopDeck();
        }
        before += clips[i].frames();
        stop = outcome.stopBatch;
        deckLost = deckLost || outcome.deckLost;
        update([&](CaptureProgress& p) {
            p.clips[i].state = outcome.state;
            if (outcome.files.exitStatus)
                p.clips[i].exit = ExitMeaning(*outcome.files.exitStatus, settings.exitOk);
            if (outcome.state == ClipState::Failed) {
                std::string reason;
                for (const auto& text : outcome.problems)
                    reason += (reason.empty() ? "" : "; ") + text;
                p.clips[i].reason = reason;
            }
            p.framesDone = before;
        });
        report(i, outcome);
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
    if (deckLost) stopWhenBack();
}

void CaptureBatch::stopWhenBack() {
    // The Stop sent while the deck was in LOCAL or out of reach did not reach it: the tape would
    // play on until someone saw it.
    while (!deck.underControl())
        if (!ending.sleepFor(50)) return;
    deck.stopDeck();
    deck.say("Deck stopped: the capture had ended while it was not under control");
}

void CaptureBatch::report(size_t i, const ClipOutcome& outcome) {
    ReportRow& row = rows[firstRow + i];
    const CaptureProgress p = progress();
    row.state = StateText(p.clips[i]);
    const ClipFiles& files = outcome.files;
    row.framesRecorded = files.framesRecorded;
    row.firstTc = files.firstTc;
    row.breaks = outcome.breaks;
    row.health = HealthOf(outcome.statuses);
    row.md5 = files.md5;
    row.files.clear();
    for (const std::string& file : files.files)
        row.files.push_back(file.substr(file.rfind('/') + 1));
    row.thumbnailJpeg = files.thumbnailJpeg;
    writeReport();
}

void CaptureBatch::writeReport() {
    CaptureReport report;
    report.title = "Capture report";
    report.tape = settings.tape;
    report.date = NowText();
    report.rows = rows;
    const std::string path = settings.folder + "/capture_report.html";
    if (const auto why = WriteReportFile(path, CaptureReportHtml(report)); !why.empty())
        deck.say("Capture report not written: " + why);
}
