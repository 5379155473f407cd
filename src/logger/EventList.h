#pragma once

#include <array>
#include <string>

// The logger's list of events (clips): entry i is event i + 1. Names and the tape name are UTF-8
// text; times are timecode text.
struct EventList {
    static constexpr int size = 100;

    std::array<std::string, size> EdNumArray;
    std::array<std::string, size> ClipNameArray;
    std::array<std::string, size> SrcInArray;
    std::array<std::string, size> SrcOutArray;
    std::string tape; // the log's tape name, empty when none

    // A fresh log: edit numbers 001 to 100, names Name01 to Name99 and Name00, all times zero,
    // no tape.
    static EventList initial();

    // Event index i holds anything a fresh log's event does not (name or times).
    bool touched(int i) const;
    // The number of touched events.
    int touchedCount() const;
    // Index of the first event from `from` on with no source out (a zero time, whatever its
    // separators), or size.
    int firstWithoutOut(int from = 0) const;

    bool operator==(const EventList&) const = default;
};
