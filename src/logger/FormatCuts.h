#pragma once

#include "EventList.h"
#include "ListFormat.h"

#include <string>
#include <string_view>
#include <vector>

// What saving a log in a format would lose. The logger's own layout (the Standard EDL) keeps 6
// characters of a name, one tape for the whole log, and no notes or good takes; CMX 3600, ALE
// and CSV keep all of them.
struct CutReport {
    // One line for each name the format cuts: `Event 001: "Interview take 1" becomes "Interv"`.
    std::vector<std::string> names;
    // What else it leaves out, one line ("It keeps no notes (2 clips), no good takes (1 clip)
    // and no tape of a clip's own (3 clips)."), or empty.
    std::string dropped;
    bool whole() const { return names.empty() && dropped.empty(); }
};
CutReport WhatAFormatCuts(const EventList& events, ListFormat format);

// The extension a file of the format is offered with: ".txt", ".edl", ".ale" or ".csv".
std::string_view ListExtension(ListFormat format);
