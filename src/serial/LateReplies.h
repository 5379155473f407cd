#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// A 9-pin frame's length follows from its first byte: the low nibble is the data count, and the
// two command bytes and the checksum come with it.
constexpr int FrameLength(std::uint8_t first) {
    return 3 + (first & 0x0F);
}

// Tells the replies that answer exchanges that gave up (late replies) from the reply of the
// exchange in hand. The deck answers each frame once and in order, so when exchanges went
// without their reply, whole frames in front of the last one read are those late answers.
// Bytes that come while no answer is owed are left as they are. Not thread-safe: the link's
// lock serialises it with the exchanges.
class LateReplies {
public:
    // How many bytes at the front of what an exchange read are late replies, and how many
    // frames they make. The last frame read is never late: it is the exchange's own.
    struct Cut {
        std::size_t bytes = 0;
        int frames = 0;
    };
    Cut take(std::span<const std::uint8_t> read);
    // Before a send: every byte waiting is dropped; the late frames among them.
    int stale(std::span<const std::uint8_t> waiting);
    // An exchange ended with count bytes of its reply; one without a whole reply still has
    // its answer to come.
    void ended(std::span<const std::uint8_t> reply, int count);
    int owed() const { return owedFrames; }

    // More unanswered exchanges than this are not counted: a deck that was off answers none.
    static constexpr int mostOwed = 8;

private:
    int owedFrames = 0;
};
