#pragma once

#include "SerialConfig.h"
#include "SerialPort.h"
#include "StopSignal.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

// What the external controller on the second port drives.
class ZamTarget {
public:
    virtual ~ZamTarget() = default;
    virtual void play() = 0;
    virtual void stop() = 0;
    virtual void rewind() = 0;
    virtual void forward() = 0;
    virtual void jogf() = 0;
    virtual void jogr() = 0;
    // Marks in and out for the edit logger; nothing until a logger has been opened.
    virtual void setin() = 0;
    virtual void setout() = 0;
};

// One two-byte message of the controller: a group byte and a code byte.
enum class ZamAction { None, Play, Stop, Rewind, Forward, MarkIn, MarkOut, JogF, JogR };
ZamAction ZamMessageAction(std::uint8_t group, std::uint8_t code);

// The reader of the second port: every sleeptime ms it looks for a message, handles the first
// two bytes waiting, drops the rest and then rests twice as long. It only listens.
class SerInPort {
public:
    using PortFactory = std::function<std::unique_ptr<SerialPort>(const SerialConfig&)>;
    static constexpr int buffersize = 64;

    // Opens the port at 2400 bit/s, 8 data bits, no parity, 1 stop bit, with no handshake (this
    // system's serial layer refuses DSR/DTR on Linux). A port that cannot be opened is reported
    // on the console and through bad().
    explicit SerInPort(const std::string& portName, PortFactory factory = {});
    ~SerInPort();
    SerInPort(const SerInPort&) = delete;
    SerInPort& operator=(const SerInPort&) = delete;

    bool bad() const { return isBad; }
    void setlocalvcr(ZamTarget* vcr) { svcr = vcr; }
    void setsleeptime(int ms) { sleeptime = ms; }
    void setwait(int ms) { wait = ms; }
    // Starts the reading thread; stopme() ends it after its current pass (the destructor too).
    void start();
    void stopme();

    // One poll of the port, and the action of the message in serin.
    void readdirect();
    void parse();

private:
    void run();

    bool isBad = false;
    SerialConfig serCfg;
    std::unique_ptr<SerialPort> serialPort2;
    ZamTarget* svcr = nullptr;
    std::atomic<int> sleeptime{50};
    int wait = 50;
    std::array<std::uint8_t, buffersize> serin{};
    StopSignal stopping;
    std::thread thread;
};
