#pragma once

#include "DeckModel.h"
#include "NinePin.h"

#include <cstdint>
#include <map>

// Answers one whole received frame as a deck does, driving the model.
class DeckResponder {
public:
    explicit DeckResponder(DeckModel& model) : model(model) {}

    ninepin::Bytes handle(const ninepin::Bytes& frame, double now);

    // The recorder set-up values received in F3-group frames, by setting code (D0, A1, 10, ...).
    const std::map<std::uint8_t, std::uint8_t>& setupValues() const { return setup; }
    // The time mode selected by the last TIME MODE frame, -1 before one.
    int timeMode() const { return mode; }

    // The deck's two-byte device id: low nibble 0 of the first byte means 525 lines, 30 fps.
    static constexpr std::uint8_t deviceId[2] = {0x20, 0x10};

private:
    ninepin::Bytes transport(std::uint8_t cmd2, double now);
    ninepin::Bytes variable(std::uint8_t cmd2, std::uint8_t speed, double now);

    DeckModel& model;
    std::map<std::uint8_t, std::uint8_t> setup;
    int mode = -1;
};

// Collects bytes into frames. A frame that stops short is dropped once the line has been quiet
// for longer than the gap.
class FrameAssembler {
public:
    explicit FrameAssembler(double gapMs = 10.0) : gap(gapMs) {}

    // Adds received bytes; returns the frames they complete.
    std::vector<ninepin::Bytes> add(const ninepin::Bytes& bytes, double now);
    // Drops an unfinished frame once the line has been quiet too long; returns what was dropped.
    ninepin::Bytes expire(double now);
    bool pending() const { return !partial.empty(); }

private:
    double gap;
    double lastByte = 0;
    ninepin::Bytes partial;
};
