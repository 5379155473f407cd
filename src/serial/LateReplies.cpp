#include "LateReplies.h"

#include <algorithm>

LateReplies::Cut LateReplies::take(std::span<const std::uint8_t> read) {
    Cut cut;
    while (owedFrames > 0 && cut.bytes < read.size()) {
        const std::size_t end = cut.bytes + static_cast<std::size_t>(FrameLength(read[cut.bytes]));
        if (end >= read.size()) break; // the last frame: this exchange's reply
        cut.bytes = end;
        ++cut.frames;
        --owedFrames;
    }
    return cut;
}

int LateReplies::stale(std::span<const std::uint8_t> waiting) {
    int frames = 0;
    std::size_t at = 0;
    while (owedFrames > 0 && at < waiting.size()) {
        at += static_cast<std::size_t>(FrameLength(waiting[at]));
        ++frames;
        --owedFrames;
    }
    return frames;
}

void LateReplies::ended(std::span<const std::uint8_t> reply, int count) {
    // A reply that has begun is this exchange's or an earlier one's: either way, what was
    // owed before it has come or will not.
    if (count > 0 && !reply.empty())
        owedFrames = 0;
    else
        owedFrames = std::min(owedFrames + 1, mostOwed);
}
