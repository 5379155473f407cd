#pragma once

#include "DeckModel.h"
#include "NinePin.h"

#include <cstdint>
#include <functional>
#include <map>

// The times a deck reads off the tape or counts itself: longitudinal timecode, vertical interval
// timecode, and its own tape timer.
enum class TimeKind { Ltc, Vitc, Timer1 };

// Answers one whole received frame as a deck does, driving the model. In LOCAL it acknowledges
// the remote's transport, cue, variable-speed, standby, E-E, record and eject commands without
// carrying them out; sense, time mode, device type and set-up frames are answered as ever.
class DeckResponder {
public:
    explicit DeckResponder(DeckModel& model) : model(model) {}

    ninepin::Bytes handle(const ninepin::Bytes& frame, double now);

    // The kind of time the deck answers when the controller asks for none it has.
    void setTimeKind(TimeKind kind) { preferred = kind; }
    TimeKind timeKind() const { return preferred; }

    // The kind a CURRENT TIME SENSE answers, from its data (the request bits 01 LTC, 02 VITC,
    // 04 timer-1; empty when the frame had none): the preferred kind if it is asked for, else the
    // first one asked for in the order LTC, VITC, timer-1, else the preferred kind.
    static TimeKind AnsweredTimeKind(const ninepin::Bytes& request, TimeKind preferred);
    // The reply carrying a time of that kind: 74 04 (LTC), 74 06 (VITC) or 74 00 (timer-1) with
    // the label's frames, seconds, minutes and hours in BCD at the rate; at drop-frame the frames
    // byte carries the DF flag (bit 6).
    static ninepin::Bytes TimeReply(TimeKind kind, int frames, ninepin::TcRate rate = {});

    // The recorder set-up values received in F3-group frames, by setting code (D0, A1, 10, ...).
    const std::map<std::uint8_t, std::uint8_t>& setupValues() const { return setup; }
    // The time mode selected by the last TIME MODE frame, -1 before one.
    int timeMode() const { return mode; }

    // The deck's two-byte device id: the low nibble of the first byte is 0 for 525 lines (30 fps)
    // and 1 for 625 lines (25 fps).
    static ninepin::Bytes DeviceId(ninepin::TcRate rate);
    // The configured device type, else the one of the rate.
    static ninepin::Bytes DeviceIdOf(const DeckModel::Config& cfg);

private:
    using Action = std::function<void()>;
    // What a remote control command does to the model; empty for any other frame.
    Action remoteAction(std::uint8_t cmd1, std::uint8_t cmd2, const ninepin::Bytes& data,
                        double now);
    Action transport(std::uint8_t cmd2, double now);
    Action variable(std::uint8_t cmd2, std::uint8_t speed, double now);

    DeckModel& model;
    std::map<std::uint8_t, std::uint8_t> setup;
    int mode = -1;
    TimeKind preferred = TimeKind::Ltc;
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
