// The deck controller's cue and review motions: each prepares the cue frame on the caller's
// thread and hands the deck work to a cue run.
#include "CueText.h"
#include "LocalVCR.h"
#include "Utils.h"

#include <algorithm>
#include <chrono>

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
    // The operator's stop from here on calls the review off: it starts no run.
    const unsigned stops = motionStops;
    auto stopped = [&] { return motionStops != stops || (scriptactive && operatorStopped()); };
    // The waits end early when the operator stops.
    auto pause = [&] {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1000);
        while (!vanto && !stopped() && std::chrono::steady_clock::now() < until) {
            if (scriptactive)
                operatorStop.sleepFor(20);
            else
                Utils::DelayT(20);
        }
        return !stopped();
    };
    if (!pause()) return true;
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
    const bool goOn = pause();
    if (duration <= 0) {
        ShowStat("No Review is possible");
        return true;
    }
    if (!goOn) return true;
    cueplayFlag = true;
    reviewclipFlag = true;
    startRun(stops);
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
    startRun(motionStops);
}

void LocalVCR::startRun(unsigned stops, CueThread::Plan plan,
                        std::optional<CueThread::Frame> firstCue) {
    if (!sop.hasSerialPort() || closing) return;
    runSlot.start(std::make_shared<CueThread>(*this, getCueFrame(), vanto, stops, plan, firstCue));
}

std::shared_ptr<CueThread> LocalVCR::cuethread() {
    return runSlot.newest();
}

void LocalVCR::callOffReview() {
    ++motionStops;
    if (outPoint.callOff()) TellTCReview(false);
    runSlot.callOffReview();
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
    if (locked)
        cueLock.hold();
    else
        cueLock.release();
}
