#pragma once

#include "CommandTarget.h"

#include <optional>
#include <string>

// Executes one line of the command language on the calling thread: a command word ("Play",
// "CueIn", "Review", ...) or a prefix command ("Wait5", "tc101:00:10:00", "tc2...",
// "LoadList /lists/day 2.edl"). True when the line was understood and its operation ran.
bool ParseNetCommand(CommandTarget& vcr, const std::string& line);

// The seconds of a Wait argument: plain decimal digits whose milliseconds fit an int; nothing
// for anything else (empty, a sign, a blank, letters, too large).
std::optional<int> WaitSeconds(const std::string& argument);
