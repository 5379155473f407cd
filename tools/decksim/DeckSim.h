#pragma once

#include "DeckModel.h"
#include "DeckResponder.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

// A 9-pin deck on the far side of a serial line: a pseudo-terminal pair it opens itself, or an
// existing serial device. A thread reads frames and answers them; faults can be switched on and
// off while it runs.
class DeckSim {
public:
    struct Options {
        DeckModel::Config deck;
        int replyDelayMs = 1;
        std::string device;    // drive this serial device instead of a pseudo-terminal
        std::string link;      // also make a symbolic link here to the line's path
        std::string traceFile; // write the trace here
    };

    explicit DeckSim(Options options);
    ~DeckSim();
    DeckSim(const DeckSim&) = delete;
    DeckSim& operator=(const DeckSim&) = delete;

    // The path the controller opens (the pseudo-terminal's slave, or the device).
    std::string path() const;

    // Faults.
    void setNoReply(bool on) { noReply = on; }
    void setLateMs(int ms) { lateMs = ms; }
    void setNakEvery(int n) { nakEvery = n; }
    void setGarbage(int bytes) { garbage = bytes; }
    void setDropByte(bool on) { dropByte = on; }
    void setReplyDelay(int ms) { replyDelay = ms; }
    void setFrozen(bool on);
    void setSpeedFactor(double factor);
    // Every reply goes out a byte at a time at the line's own pace (0.29 ms a byte), after the
    // reply delay and the late time.
    void setPaced(bool on) { paced = on; }
    // The line closes: the controller's writes fail. comeBack() opens a new line (a new
    // pseudo-terminal, whose path the link, if any, then names).
    void disappear();
    void comeBack();

    // The deck's front panel. In LOCAL the deck acknowledges remote control commands but leaves
    // them undone, and its status says LOCAL.
    void setLocal(bool on);
    // The deck's own Play and Stop buttons.
    void pressPlay();
    void pressStop();
    void ejectTape();
    void loadTape();
    // The time the deck answers a CURRENT TIME SENSE with when asked for it, or for none it has.
    void setTimeKind(TimeKind kind);

    // The deck.
    DeckModel::Snapshot snapshot();
    void setPosition(int frames);
    // A timecode break: the tape clock leaps by frames (negative: back), the transport goes on.
    void jump(int frames);
    std::map<std::uint8_t, std::uint8_t> setupValues();
    int timeMode();
    int framesReceived() const { return received; }

    // Trace lines: milliseconds since start, RX (frame received), TX (bytes sent) or DROP (a
    // frame that stopped short), and the bytes as upper-case hex pairs each followed by a blank.
    void setTraceCallback(std::function<void(const std::string&)> callback);

private:
    void openLine();
    void closeLine();
    void run();
    void serve(const ninepin::Bytes& frame);
    void sendReply(ninepin::Bytes reply);
    bool writePaced(const ninepin::Bytes& out);
    void trace(const char* direction, const ninepin::Bytes& bytes);
    double now() const;

    Options opts;
    const std::chrono::steady_clock::time_point origin = std::chrono::steady_clock::now();

    std::atomic<bool> noReply{false};
    std::atomic<int> lateMs{0};
    std::atomic<int> nakEvery{0};
    std::atomic<int> garbage{0};
    std::atomic<bool> dropByte{false};
    std::atomic<bool> paced{false};
    std::atomic<int> replyDelay;
    std::atomic<int> received{0};

    // Guards the model and the responder.
    std::mutex deckMutex;
    DeckModel model;
    DeckResponder responder{model};

    // Guards the line's descriptors and path.
    mutable std::mutex lineMutex;
    int fd = -1;
    int slaveFd = -1;
    std::string linePath;

    // Guards the trace file and callback.
    std::mutex traceMutex;
    std::ofstream traceOut;
    std::function<void(const std::string&)> traceCallback;

    std::atomic<bool> running{true};
    std::atomic<bool> closeRequested{false};
    std::thread reader;
};
