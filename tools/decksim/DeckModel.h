#pragma once

#include "NinePin.h"

#include <map>

// The deck's transport and tape clock: a frame count at the tape's rate (30 frames per second
// non-drop unless configured), moving with the transport state; a drop-frame tape plays 29.97
// frames a second. Every call takes the current time in milliseconds (any steady origin), so the
// model is driven by its caller's clock. Not thread-safe; its owner serialises calls.
class DeckModel {
public:
    enum class Mode {
        Stop,
        Play,
        Record,
        FastForward,
        Rewind,
        Still,
        Var,
        Shuttle,
        Jog,
        Cueing,
        Ejected
    };

    struct Config {
        int tapeEnd = ninepin::FramesOf(3, 0, 0, 0); // position where forward motion stops
        double windSpeed = 50.0;                     // fast forward and rewind, times play speed
        int seekMs = -1;                             // fixed seek time; -1: by distance
        int seekMaxMs = 3000;                        // longest seek by distance
        double speedFactor = 1.0;                    // clock speed-up for tests
        int startFrames = 0;                         // position at power-on
        ninepin::TcRate rate;                        // the tape's timecode standard
        bool answersDeviceType = true; // false: DEVICE TYPE REQUEST is refused as unknown
        int deviceType = -1; // the two data bytes of the device type reply; -1: by the rate
    };

    struct Snapshot {
        Mode mode;
        int frames;
        double rate; // signed multiple of play speed
        bool cueUpComplete;
        bool standby;
        bool ee;
        bool tapeIn;
        bool frozen;
        int cueTarget;
        bool local;
    };

    explicit DeckModel(Config config, double nowMs = 0);
    const Config& config() const { return cfg; }

    // Transport commands. Each ends a completed cue's cue-up state.
    void stop(double now);
    void play(double now);
    void record(double now);
    void fastForward(double now);
    void rewind(double now);
    void eject(double now);
    void standby(bool on, double now);
    void ee(bool on, double now);
    void jog(bool reverse, std::uint8_t speed, double now);
    void var(bool reverse, std::uint8_t speed, double now);
    void shuttle(bool reverse, std::uint8_t speed, double now);
    // Starts a seek to the frame count; the deck ends it in still with cue-up complete.
    void cue(int target, double now);

    int frames(double now);
    // Status bytes from `start`, `count` of them (the deck has 16).
    ninepin::Bytes status(int start, int count, double now);
    Snapshot snapshot(double now);

    // The clock stops while the transport state stays as it is.
    void setFrozen(bool frozen, double now);
    void setSpeedFactor(double factor, double now);
    void setPosition(int frames, double now);
    // The tape clock leaps by a number of frames (negative: back) from where it is now, within
    // the tape; the transport goes on as it was.
    void jump(int frames, double now);
    // Loads a tape into an empty deck, which then stands in stop; with a tape in, nothing happens.
    void insertTape(double now);
    // The deck's LOCAL/REMOTE switch: in LOCAL the status says so. The deck's own buttons stay
    // usable, so the model still obeys every call; ignoring the remote is its responder's job.
    void setLocal(bool on, double now);
    bool local() const { return localOn; }
    // The last time a seek needs for a distance in frames.
    int seekTimeFor(int distance) const;

private:
    void advance(double now);
    void motion(Mode mode, double rate, double now);

    Config cfg;
    Mode mode = Mode::Stop;
    double position;
    double rate = 0;
    double last;
    bool cueUp = false;
    bool sby = false;
    bool eeOn = false;
    bool tapeIn = true;
    bool frozen = false;
    bool localOn = false;
    int cueFrom = 0;
    int cueTo = 0;
    double cueStart = 0;
    double cueDuration = 0;
};
