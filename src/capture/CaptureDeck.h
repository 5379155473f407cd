#pragma once

#include "Timecode.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// One reading of the deck's time, as the poller made it.
struct DeckRead {
    int frames = 0;                                 // the frame count at the rate in use
    std::string tc;                                 // as the deck gave it
    std::chrono::steady_clock::time_point sent;     // the request went out
    std::chrono::steady_clock::time_point received; // the reply came in
    std::vector<std::uint8_t> status;               // the status bytes of the latest status reading
};

// What a capture needs of the deck controller, and no more.
class CaptureDeck {
public:
    virtual ~CaptureDeck() = default;
    virtual timecode::Rate captureRate() const = 0;
    // The bare transport frames; each waits its turn on the link.
    virtual void stopDeck() = 0;
    virtual void playDeck() = 0;
    // Sends the cue frame for a frame count at the rate in use; cuedUp() is false from then until
    // the deck's status says cue-up complete.
    virtual void cueDeck(int frames) = 0;
    virtual bool cuedUp() const = 0;
    // Not LOCAL, a tape in, the link up and the deck answering.
    virtual bool underControl() const = 0;
    // The watcher is called by the poller after each time it reads, in that cycle, with the link
    // held: it must be quick. {} takes it away; on return no call is in progress.
    virtual void watchReads(std::function<void(const DeckRead&)> watcher) = 0;
    // A line for the status field and the log.
    virtual void say(const std::string& text) = 0;
};
