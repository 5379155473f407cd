#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <span>

// Whether the deck stands or moves, as Space needs to know it: from the last transport command
// the deck acknowledged, and from a status read only when its request went out after that
// command's answer. The status is read every few polls, so a reading may be older than the
// command just sent; it never undoes what a newer command did.
class TransportMemory {
public:
    // What a transport frame asks of the motion: moving (play, record, wind, var or shuttle at
    // a speed), at rest (stop, a still: var or shuttle at speed 0, a jog step), nothing for a
    // frame that says nothing certain of it (a cue winds and then stands; E-E, standby, eject).
    static std::optional<bool> MotionOf(std::span<const std::uint8_t> frame);
    // True for the deck's acknowledgement (10 01).
    static bool IsAck(std::span<const std::uint8_t> reply, int count);

    // A frame was sent and the deck acknowledged it.
    void acknowledged(std::span<const std::uint8_t> frame);
    // Taken just before a status request goes out.
    unsigned generation() const;
    // A status reading whose request went out at `requestedAt` (generation()): it counts only
    // when no transport command was acknowledged since.
    void statusRead(unsigned requestedAt, bool atRest);
    bool atRest() const;

private:
    // Guards rest and commands: a reading is checked and taken in one step.
    mutable std::mutex mutex;
    bool rest = true;
    unsigned commands = 0; // transport commands acknowledged so far that said something
};
