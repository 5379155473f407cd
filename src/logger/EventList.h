#pragma once

#include <array>
#include <string>

// The logger's list of events (clips): entry i is event i + 1. Texts are held one byte per
// character, as the EDL files carry them.
struct EventList {
    static constexpr int size = 100;

    std::array<std::string, size> EdNumArray;
    std::array<std::string, size> ClipNameArray;
    std::array<std::string, size> SrcInArray;
    std::array<std::string, size> SrcOutArray;

    // A fresh log: edit numbers 001 to 100, names Name01 to Name99 and Name00, all times zero.
    static EventList initial();

    bool operator==(const EventList&) const = default;
};
