// The deck controller's side of capture from the log: starting a batch, the command language's
// words, and what the capture's view of the deck reads.
#include "LocalVCR.h"
#include "RecorderCommand.h"
#include "Utils.h"

std::string LocalVCR::startCapture(std::vector<CaptureClip> clips, const std::string& tape) {
    if (captureRunning()) return "Capture running";
    const std::string command = settings.CaptureCommand.value_or("");
    const auto words = SplitCommand(command);
    if (command.find_first_not_of(" \t") == std::string::npos)
        return "No CaptureCommand in the settings";
    if (!words || words->empty())
        return "CaptureCommand has a quote left open: close it in the settings";
    if (clips.empty()) return "No clip to capture: an event needs an in and an out after it";
    CaptureSettings run;
    run.command = *words;
    run.folder = settings.captureFolder;
    run.prerollFrames = timecode::FrameCount(settings.PRString, rate()).value_or(0);
    run.leadFrames = settings.captureLead;
    run.tape = tape;
    if (!captureBatch->start(std::move(clips), std::move(run))) return "Capture running";
    localgui->showCapture();
    return {};
}

bool LocalVCR::captureAll() {
    const auto events = localgui->loggedEvents();
    const std::string why =
        events ? startCapture(ClipsToCapture(*events, rate()), events->tape) : "No log to capture";
    if (!why.empty()) {
        Utils::OutLine(why);
        ShowStat(why);
        return true;
    }
    if (!scriptactive) return true;
    // A script goes on once the batch has ended.
    while (captureBatch->running()) operatorStop.sleepFor(50);
    return true;
}

void LocalVCR::reportcapture() {
    if (auto c = client()) c->Send(StatusLine(captureBatch->progress()));
}

void LocalVCR::refuseForCapture() {
    Utils::OutLine("Capture running");
    ShowStat("Capture running");
}

void LocalVCR::watchReads(std::function<void(const DeckRead&)> watcher) {
    std::lock_guard lock(watcherMutex);
    readWatcher = std::move(watcher);
}

bool LocalVCR::underControl() {
    return !deckLocal && !deckNoTape && !sop.linkLost() && !deckSilent();
}
