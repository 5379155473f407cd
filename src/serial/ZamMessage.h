#pragma once

#include <cstdint>
#include <span>
#include <string>

// The external controller's messages: two bytes each, a group byte and a code byte.
// A group byte is 80 or above, a code byte below: a message starts at a group byte, whenever
// its bytes come.
bool ZamStartsMessage(std::uint8_t byte);
enum class ZamAction { None, Play, Stop, Rewind, Forward, MarkIn, MarkOut, JogF, JogR };
ZamAction ZamMessageAction(std::uint8_t group, std::uint8_t code);

// The status texts of the messages the reader does not act on, naming their bytes (only the
// first few); with no bytes given, the log's text, which names none: line noise then writes one
// text again and again, which the log folds and limits.
// A first byte whose second did not come within the wait:
std::string ZamLoneByteText(std::span<const std::uint8_t> group, int waitMs);
// A first byte followed by another message's first byte, which lost its second:
std::string ZamLostCodeText(std::span<const std::uint8_t> group);
// Code bytes with no group byte before them (the late second byte of a message already given
// up):
std::string ZamStrayText(std::span<const std::uint8_t> bytes);
// Messages that came while the reader rested after the one it took (restMs in all):
std::string ZamDroppedText(std::span<const std::uint8_t> bytes, int restMs);
