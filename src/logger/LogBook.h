#pragma once

#include "EventList.h"
#include "Timecode.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>

// The log being kept: its events, where the next mark goes, what was last loaded or saved, and
// the steps to undo and redo. Every change of the events goes through change(), so each one can
// be undone; the window shows, autosaves and asks about what this holds.
class LogBook {
public:
    // Steps that undo reaches back, at the least; older ones are forgotten.
    static constexpr std::size_t undoSteps = 200;

    struct State {
        EventList events = EventList::initial();
        // The logging position: marks go to the first event from here on without an out point.
        int position = 0;
        // The rate the list's own file said its times count at (its FCM line, or ';' in its
        // times); nothing: the rate in use.
        std::optional<timecode::Rate> listRate;
        bool operator==(const State&) const = default;
    };

    const State& state() const { return current; }
    const EventList& events() const { return current.events; }
    // Tests set up a list through this: no undo step, no change seen.
    EventList& eventsForTests() { return current.events; }
    int position() const { return current.position; }
    // The event the next mark goes to: the first from the logging position on without an out
    // point, else the first of the log without one; EventList::size when there is none.
    int nextMark() const;

    // What an edit does with the clips it makes: the log's work (a mark, a typed cell) gives an
    // event it made a clip of (not touched before), with no tape of its own, the log's tape; a
    // load, a recovery, taking an event out or putting one in keeps every tape as given.
    enum class Tapes { NewClipsTakeTheLogs, AsGiven };
    // Applies an edit to the state. When it changed anything, the state before becomes an undo
    // step and the redo steps are dropped; true then.
    bool change(const std::function<void(State&)>& edit, Tapes tapes = Tapes::NewClipsTakeTheLogs);
    bool undo();
    bool redo();
    bool canUndo() const { return !past.empty(); }
    bool canRedo() const { return !future.empty(); }

    // Moves the logging position without a step (the grid was scrolled there).
    void setPosition(int event) { current.position = event; }

    // Where a mark went.
    struct Mark {
        int event = 0; // its index
        // No event from the logging position on was free: the mark went back to the first free
        // one of the log, before clips logged after it.
        bool earlier = false;
        // An out equal to the event's in: a clip of no length (the deck stood).
        bool noLength = false;
        bool operator==(const Mark&) const = default;
    };
    // The current time as the source in (or out) of the event the next mark goes to; an out then
    // moves the logging position on past it. Never replaces an event that has an out point.
    // Nothing when all 100 have an out.
    std::optional<Mark> markIn(const std::string& time);
    std::optional<Mark> markOut(const std::string& time);

    // Takes event index i out of the log, or puts a fresh one in there (EventList::removeAt,
    // insertAt), as one step each; the logging position moves with the events after it. False
    // when nothing changed (an insert into a log whose last event is touched).
    bool removeEvent(int i);
    bool insertEvent(int i);

    // The events as they stand now are what the file holds.
    void markSaved() { saved = current.events; }
    // The events differ from what was last loaded or saved (a fresh log counts as saved).
    bool changed() const { return current.events != saved; }

private:
    std::optional<Mark> mark(const std::string& time, bool out);
    // The state from the end of one history, the current one to the end of the other.
    bool step(std::deque<State>& from, std::deque<State>& to);

    State current;
    EventList saved = current.events;
    std::deque<State> past;   // oldest first
    std::deque<State> future; // the next redo last
};
