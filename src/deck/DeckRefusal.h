#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// What a deck's NAK says, in words an operator can read.

// The NAK bits of a reply 11 12 nn with its checksum right; nothing for any other reply.
std::optional<std::uint8_t> NakBits(std::span<const std::uint8_t> reply, int count);

// The reasons a NAK gives, in the order of its bits: "undefined command", "checksum error",
// "parity error", "buffer overrun", "framing error", "time-out", joined by ", "; bits without a
// name follow in hex ("bits 0A"); no bits at all give "no reason given".
std::string NakReasons(std::uint8_t bits);

// The name of the command a frame carries ("Play", "Cue Up With Data", "Shuttle Fwd"), or its
// first two bytes in hex for a command without a name here.
std::string CommandName(std::span<const std::uint8_t> frame);

// A time or status sense: its refusal counts as no reply, not as a refused command.
bool IsSenseRequest(std::span<const std::uint8_t> frame);

// "Deck refused <command> (<reasons>)".
std::string RefusalText(std::span<const std::uint8_t> frame, std::uint8_t bits);
