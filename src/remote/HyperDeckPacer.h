#pragma once

#include <chrono>
#include <mutex>

// The HyperDeck clients' deck commands, one at a time and at least gapMs apart: clients that
// send commands as fast as they can still leave the poller its reads of the deck, and leave each
// other a turn. A command on its own goes at once.
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
        Turn(Turn&&) = default;
        Turn& operator=(Turn&&) = delete;

    private:
        HyperDeckPacer* pacer;
        std::unique_lock<std::mutex> lock;
    };
    Turn turn() { return Turn(*this); }

private:
    using Clock = std::chrono::steady_clock;
    // Guards next; held through each turn.
    std::mutex mutex;
    Clock::time_point next{};
};
