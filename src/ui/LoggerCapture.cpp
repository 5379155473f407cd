// The logger's capture buttons: the clips they hand to the deck controller's capture.
#include "LocalVCR.h"
#include "LoggerGUI.h"

void LoggerGUI::setChangeHandler(std::function<void(const EventList&)> handler) {
    changeHandler = std::move(handler);
    if (changeHandler) changeHandler(book.events());
}

void LoggerGUI::captureTop() {
    commitTyped();
    const auto clip = ClipOf(book.events(), vsbval, eventRate());
    if (!clip) {
        tell("Event " + book.events().EdNumArray[vsbval] +
             " has no clip to capture: it needs an in and an out after it");
        return;
    }
    startCapture({*clip});
}

void LoggerGUI::captureAll() {
    commitTyped();
    startCapture(ClipsToCapture(book.events(), eventRate()));
}

void LoggerGUI::startCapture(std::vector<CaptureClip> clips) {
    const std::string why = svcr.startCapture(std::move(clips), book.events().tape);
    if (why.empty()) return;
    tell(why);
    svcr.ShowStat(why);
}
