// The logger's capture buttons: the clips they hand to the deck controller's capture.
#include "LocalVCR.h"
#include "LoggerGUI.h"

void LoggerGUI::setChangeHandler(std::function<void(const EventList&)> handler) {
    changeHandler = std::move(handler);
    if (changeHandler) changeHandler(book.events());
}

void LoggerGUI::captureTop() {
    commitTyped();
    std::vector<CaptureClip> clips;
    if (const auto clip = ClipOf(book.events(), vsbval, eventRate())) clips.push_back(*clip);
    startCapture(std::move(clips));
}

void LoggerGUI::captureAll() {
    commitTyped();
    startCapture(ClipsToCapture(book.events(), eventRate()));
}

void LoggerGUI::captureFailed() {
    commitTyped();
    // The clips are the last batch's, as it had them: the log may have changed since.
    sayWhyNotCaptured(svcr.capture().startFailed());
}

void LoggerGUI::startCapture(std::vector<CaptureClip> clips) {
    if (eventRate() != svcr.rate())
        sayWhyNotCaptured("The log's times are at " + timecode::RateText(eventRate()) +
                          ", the deck's at " + timecode::RateText(svcr.rate()) +
                          ": log or load the list at the deck's rate");
    else
        sayWhyNotCaptured(svcr.capture().start(std::move(clips), book.events().tape));
}

void LoggerGUI::sayWhyNotCaptured(const std::string& why) {
    if (why.empty()) return;
    tell(why);
    svcr.ShowStat(why);
}
