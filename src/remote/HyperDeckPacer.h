#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

// The HyperDeck clients' deck commands, one at a time and at least gapMs apart: clients that
// send commands as fast as they can still leave the poller its reads of the deck, and leave each
// other a turn. Turns are given in the order they were asked for, so a client whose commands
// follow each other closely cannot take turn after turn while another waits. A command on its
// own goes at once.
class HyperDeckPacer {
public:
    // The poller's own interval for a tape deck.
    static constexpr int gapMs = 35;

    // A command's turn: held while the command goes to the deck; the next turn begins gapMs
    // after this one ends.
    class Turn {
    public:
        explicit Turn(HyperDeckPacer& pacer);
        ~Turn();
        Turn(Turn&& other) noexcept : pacer(other.pacer) { other.pacer = nullptr; }
        Turn(const Turn&) = delete;
        Turn& operator=(const Turn&) = delete;
        Turn& operator=(Turn&&) = delete;

    private:
        HyperDeckPacer* pacer;
    };
    Turn turn() { return Turn(*this); }

private:
    using Clock = std::chrono::steady_clock;
    // Guards the fields below.
    std::mutex mutex;
    std::condition_variable turnEnded;
    unsigned long asked = 0;   // turns asked for so far: the next one's number
    unsigned long serving = 0; // the number of the turn that goes now
    Clock::time_point next{};  // the earliest moment the next turn begins
};
