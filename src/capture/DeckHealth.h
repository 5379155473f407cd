#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What the deck's status said of the picture over one pass of a clip.
//
// statuses: the status bytes of each status read in the pass (STATUS SENSE data, byte 0
// first), as the capture kept them; a read may hold fewer bytes, or none. One text per sign of
// trouble, each saying in how many of the reads that hold its byte it showed:
// "SERVO LOCK lost in 3 of 40 reads". Nothing when the pass looked sound; "no status read" when
// no read held a byte.
std::vector<std::string> HealthOf(const std::vector<std::vector<std::uint8_t>>& statuses);
