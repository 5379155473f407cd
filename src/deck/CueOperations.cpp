// The deck controller's cue and review motions: each prepares the cue frame on the caller's
// thread and hands the deck work to a cue run.
#include "CueText.h"
#include "LocalVCR.h"

#include <algorithm>

namespace {
// The cue frame for a text, or "Invalid Timecode: " and the text on the status line.
std::optional<CommandFrames::Frame<7>> frameOrRefuse(LocalVCR& vcr, const std::string& text) {
    auto frame = CueFrame(text);
    if (!frame) vcr.ShowStat("Invalid Timecode: " + text);
    return frame;
}
} // namespace

bool LocalVCR::prepareCue(const std::string& text, std::string& kept) {
    const auto frame = frameOrRefuse(*this, text);
    if (!frame) return false;
    std::lock_guard lock(stateMutex);
    kept = text;
    cueFrame = *frame;
    return true;
}

bool LocalVCR::MakeCueString() {
    return prepareCue(localgui->texts().in(), CueString);
}

bool LocalVCR::MakeCueOutString() {
    return prepareCue(localgui->texts().out(), EndString);
}

bool LocalVCR::cueWith(bool play, bool (LocalVCR::*prepare)()) {
    cueplayFlag = play;
    reviewclipFlag = false;
    if (!(this->*prepare)()) return false;
    CueUp();
    return true;
}

bool LocalVCR::cue() {
    return cueWith(false, &LocalVCR::MakeCueString);
}

bool LocalVCR::cueout() {
    return cueWith(false, &LocalVCR::MakeCueOutString);
}

bool LocalVCR::cueplay() {
    return cueWith(true, &LocalVCR::MakeCueString);
}

bool LocalVCR::reviewclip() {
    stop();
    if (!vanto) DelayT(1000);
    const std::string in = localgui->texts().in();
    const auto frame = frameOrRefuse(*this, in);
    if (!frame) return false;
    const std::string out = localgui->texts().out();
    {
        // The in point goes into the cue frame only: the cue string stays as it was.
        std::lock_guard lock(stateMutex);
        cueFrame = *frame;
        EndString = out;
    }
    const auto outTime = ReadCueText(out);
    if (!outTime) {
        ShowStat("Invalid Timecode: " + out);
        return false;
    }
    endframes = FrameCount(*outTime, rate());
    startframes = FrameCount(*ReadCueText(in), rate());
    duration = endframes - startframes;
    ShowStat("Reviewing Clip of Duration= " + std::to_string(duration));
    if (!vanto) DelayT(1000);
    if (duration <= 0) {
        ShowStat("No Review is possible");
        return true;
    }
    cueplayFlag = true;
    reviewclipFlag = true;
    CueUp();
    const auto run = cuethread();
    if (!scriptactive || !run) return true;
    // A script or a run of reviews goes on only once this review has stopped the deck: the run
    // reports it, or ends without getting there. The operator's stop calls the run off; the
    // Stop pressed then stops the deck.
    while (!run->gotthere() && !run->finished()) {
        if (operatorStopped()) {
            run->stopme();
            break;
        }
        operatorStop.sleepFor(100);
    }
    return true;
}

void LocalVCR::CueUp() {
    if (!sop.hasSerialPort() || closing) return;
    auto run = std::make_shared<CueThread>(*this, getCueFrame(), vanto);
    {
        std::lock_guard lock(cueMutex);
        // Runs that have ended are let go; one still going on is kept until it ends.
        std::erase_if(runs, [](const std::shared_ptr<CueThread>& r) { return r->finished(); });
        runs.push_back(run);
        newestRun = run;
    }
    run->start();
}

std::shared_ptr<CueThread> LocalVCR::cuethread() {
    std::lock_guard lock(cueMutex);
    return newestRun;
}

void LocalVCR::setClient(std::shared_ptr<ClientLine> c) {
    std::lock_guard lock(cueMutex);
    connectthread = std::move(c);
}

std::shared_ptr<ClientLine> LocalVCR::client() {
    std::lock_guard lock(cueMutex);
    return connectthread;
}

void LocalVCR::sendTransport(Transport command) {
    // The bare frames: a run's own Stop does not settle the controller as stop() does.
    switch (command) {
    case Transport::Pause:
        CommandB0(bspause);
        break;
    case Transport::Play:
        CommandB0(bsplay);
        break;
    case Transport::Stop:
        CommandB0(bsstop);
        break;
    }
}

bool LocalVCR::cueDelay(int ms) {
    if (!cueDelayHook) return false;
    return cueDelayHook(ms);
}

void LocalVCR::lockCueControls(bool locked) {
    localgui->lockCueControls(locked);
}
