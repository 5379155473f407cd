#pragma once

#include <array>
#include <string>

// The logger's list of events (clips): entry i is event i + 1. Names, tapes and notes are UTF-8
// text; times are timecode text.
struct EventList {
    static constexpr int size = 100;

    std::array<std::string, size> EdNumArray;
    std::array<std::string, size> ClipNameArray;
    std::array<std::string, size> SrcInArray;
    std::array<std::string, size> SrcOutArray;
    // Each clip's own tape: a clip takes the log's tape when it is first logged (LogBook).
    std::array<std::string, size> TapeArray;
    // The editor's notes on a clip, one line.
    std::array<std::string, size> NotesArray;
    // The clip is a good take.
    std::array<bool, size> GoodArray{};
    std::string tape; // the log's tape name: what a new clip takes; empty when none

    // A fresh log: edit numbers 001 to 100, names Name01 to Name99 and Name00, all times zero,
    // no tapes, no notes, no good takes.
    static EventList initial();

    // Event index i holds anything a fresh log's event does not: a name, a time, notes or the
    // good-take mark. Its tape alone does not count: a clip takes it from the log.
    bool touched(int i) const;
    // The number of touched events.
    int touchedCount() const;
    // Index of the first event from `from` on with no source out (a zero time, whatever its
    // separators), or size.
    int firstWithoutOut(int from = 0) const;

    // Takes event index i out: the later events move up one and the last is a fresh one. An
    // event that was not touched is a fresh one at its new place too (its name follows the
    // place), so moving rows never makes an event out of nothing. Edit numbers stay 001 to 100.
    void removeAt(int i);
    // Puts a fresh event in at index i: the later events move down one. False, and nothing
    // changes, when the last event is touched (it would fall off the end).
    bool insertAt(int i);

    bool operator==(const EventList&) const = default;

private:
    // Event index `from`'s fields into index `to`; a fresh event when `from` is not touched.
    void moveEvent(int from, int to);
    void makeFresh(int i);
};
