#pragma once

#include <cstdint>
#include <string>

// The keyboard's shuttle: L steps forward through 1x, 2x and 5x play speed, J the same in
// reverse, and a key against the motion steps one rung back toward the still picture. Rungs run
// from -3 (reverse 5x) through 0 (still) to 3 (forward 5x).
class ShuttleLadder {
public:
    static constexpr int topRung = 3;

    // The rung one step from `rung` toward `direction` (+1 forward, -1 reverse).
    static int next(int rung, int direction);
    // The shuttle speed byte of a rung: 40, 4A or 56 either way; 00 for the still picture.
    static std::uint8_t speedByte(int rung);
    // Where the window's shuttle bar stands at that speed (its own reading of the bar gives the
    // same speed byte back): 48 for still, 48 + speed / 2 forward, 48 - speed / 2 in reverse.
    static int barValue(int rung);
    // What the status field shows: "Pause", or e.g. "Shuttle Forward 2x".
    static std::string text(int rung);

    // The next rung for a key press toward `direction`; 0 is K, straight to still. When other
    // transport frames went to the deck since the ladder's own last one (`framesSent` counts
    // them all), the ladder starts again from `restart`: 1 for a deck at play, else still.
    int step(int direction, unsigned framesSent, int restart);
    // The ladder's own frame is the next transport frame: the count after it, when nothing
    // else came between, is `framesSent`.
    void sent(unsigned framesSent) { lastCount = framesSent; }

private:
    int rung = 0;
    unsigned lastCount = 0;
};
