#include "AckedTransport.h"

void AckedTransport::acknowledged(std::span<const std::uint8_t> frame) {
    std::lock_guard lock(mutex);
    last.assign(frame.begin(), frame.end());
    ++count;
}

unsigned AckedTransport::requested() const {
    std::lock_guard lock(mutex);
    return count;
}

void AckedTransport::statusRead(unsigned requestedAt) {
    std::lock_guard lock(mutex);
    if (requestedAt == count) last.clear();
}

std::vector<std::uint8_t> AckedTransport::frame() const {
    std::lock_guard lock(mutex);
    return last;
}
