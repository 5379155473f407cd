#include "TransportMemory.h"

std::optional<bool> TransportMemory::MotionOf(std::span<const std::uint8_t> frame) {
    if (frame.size() < 2 || (frame[0] & 0xF0) != 0x20) return std::nullopt;
    const std::uint8_t code = frame[1];
    const std::size_t data = frame[0] & 0x0F;
    switch (code) {
    case 0x00: // stop
        return false;
    case 0x01: // play
    case 0x02: // record
    case 0x10: // fast forward
    case 0x20: // rewind
        return true;
    case 0x11: // jog: one step, then a still
    case 0x21:
        return false;
    case 0x12: // var forward and reverse
    case 0x22:
    case 0x13: // shuttle forward and reverse
    case 0x23: {
        if (data == 0 || frame.size() < 2 + data) return std::nullopt;
        bool speed = false;
        for (std::size_t i = 0; i < data; ++i) speed = speed || frame[2 + i] != 0;
        return speed;
    }
    default:
        return std::nullopt;
    }
}

bool TransportMemory::IsAck(std::span<const std::uint8_t> reply, int count) {
    return count >= 2 && reply.size() >= 2 && reply[0] == 0x10 && reply[1] == 0x01;
}

void TransportMemory::acknowledged(std::span<const std::uint8_t> frame) {
    const auto motion = MotionOf(frame);
    if (!motion) return;
    std::lock_guard lock(mutex);
    rest = !*motion;
    ++commands;
}

unsigned TransportMemory::generation() const {
    std::lock_guard lock(mutex);
    return commands;
}

void TransportMemory::statusRead(unsigned requestedAt, bool atRest) {
    std::lock_guard lock(mutex);
    if (requestedAt == commands) rest = atRest;
}

bool TransportMemory::atRest() const {
    std::lock_guard lock(mutex);
    return rest;
}
