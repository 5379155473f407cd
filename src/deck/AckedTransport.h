#pragma once

#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

// The last transport frame the deck acknowledged that no status reading has answered yet: what
// the remote front ends report at once, until the next reading confirms or corrects it. A
// reading counts only when its request went out after the frame's answer.
class AckedTransport {
public:
    // A transport frame (group 2x) the deck acknowledged.
    void acknowledged(std::span<const std::uint8_t> frame);
    // Taken just before a status request goes out.
    unsigned requested() const;
    // A status reading whose request went out at `requestedAt` (requested()).
    void statusRead(unsigned requestedAt);
    // The frame, or nothing once a reading has answered it.
    std::vector<std::uint8_t> frame() const;

private:
    // Guards last and count: a reading is checked and taken in one step.
    mutable std::mutex mutex;
    std::vector<std::uint8_t> last;
    unsigned count = 0; // frames acknowledged so far
};
