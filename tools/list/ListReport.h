#pragma once

#include "EdlFile.h"
#include "ListFormat.h"

#include <string>
#include <vector>

// The name of a list's kind as the tool prints it: "EDL", "ALE", "CSV".
std::string ListKindText(ListKind kind);

// What kolb-list check prints of a read list: its kind, rate, clips (one line each: number,
// name, tape, in, out), tapes, what was passed over and every line skipped with why. notes are
// the reader's console lines other than its skip reports. Ends with a line ending.
std::string CheckReport(const std::string& name, ListKind kind, const EdlLoad& load,
                        const std::vector<std::string>& notes);

// The rate line of a read list: the rate its times count at and where it came from.
std::string RateReport(const EdlRead& read, ListKind kind);

// The distinct tapes of the stored clips, in the order they first come; no tape is left out.
std::vector<std::string> TapesOf(const EventList& events, int stored);
