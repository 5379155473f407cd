#pragma once

#include "EventList.h"
#include "ReplyDecoding.h"
#include "TimeTexts.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// What the deck controller needs of the main window. Every operation may be called from any
// thread; the window carries it out on its own thread.
class DeckPanel {
public:
    virtual ~DeckPanel() = default;
    virtual void ShowTC(const std::string& text) = 0;
    // The time display live (red), or greyed: the time shown is the last the deck gave and
    // the deck has not answered since.
    virtual void showTimeLive(bool live) = 0;
    virtual void ShowStatus(const std::string& text) = 0;
    // The state marks of one status reading, all in one call: the marks shown before go, these
    // are shown, so two readings never mix.
    virtual void showMarks(const std::vector<Mark>& marks) = 0;
    // Shows the window again, bringing it to the front.
    virtual void showWindow() = 0;
    virtual void enableLogger(bool on) = 0;
    // Opens a new logger window with a fresh event list in place of any earlier one.
    virtual void openLogger() = 0;
    // A mark in (or out) for the newest logger, open or closed since: the current time goes to
    // the event at its logging position. Any thread.
    virtual void logMark(bool out) = 0;
    virtual void setClipboard(const std::string& text) = 0;
    // While a cue run goes on: the four cue buttons disabled on a dark grey background, the in
    // and out fields read-only; unlocked, enabled on light grey and editable again.
    virtual void lockCueControls(bool locked) = 0;
    virtual TimeTexts& texts() = 0;
    // The newest logger's events and tape as they were last changed; nothing before the first
    // logger. Any thread.
    virtual std::optional<EventList> loggedEvents() { return std::nullopt; }
    // The events of the logger open now, as last changed; nothing while none is open. Any thread.
    virtual std::optional<EventList> openLogEvents() { return std::nullopt; }
    // Shows the capture window of the batch under way (opened, or raised). Any thread.
    virtual void showCapture() {}
    // "LoadList": opens a logger when none is open, as the logger button does, and loads the
    // list at path into it with no dialog. done is told on the window's thread what came of it,
    // once the list is loaded or refused; never when the logger goes first. Any thread; returns
    // at once.
    virtual void loadList(const std::string& /*path*/,
                          std::function<void(const std::string&)> done) {
        done("No logger in this window");
    }
};
