#pragma once

#include "SerialConfig.h"
#include "SerialPort.h"
#include "StopSignal.h"
#include "ZamMessage.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

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
    // The reader's own news (a message dropped, the port lost and back) for the status line.
    virtual void ShowStat(const std::string&) {}
};

// The reader of the second port: every sleeptime ms it looks for a message, takes the first one
// waiting, drops the rest and then rests twice as long. A first byte alone waits up to `wait` ms
// for its second; one that stays alone is dropped. Every dropped message is said on the console
// and in the status line. It only listens.
//
// When the device goes away (a poll says so), the reader closes the port, says so once, and
// tries quietly to open the same path again every reopenEveryMs; when it opens, it says so and
// reads on.
class SerInPort {
public:
    using PortFactory = std::function<std::unique_ptr<SerialPort>(const SerialConfig&)>;
    using Clock = std::chrono::steady_clock;
    static constexpr int buffersize = 64;
    static constexpr int reopenEveryMs = 1000;

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
    bool openPort();
    void losePort();
    bool reopenPort();
    // Waits up to `wait` ms for the byte that completes the last message in `bytes`.
    void completeMessage(std::vector<std::uint8_t>& bytes);
    // Shows the text, and logs it, or the text logged when one is given.
    void say(const std::string& text, const std::string& logged = {});

    std::string name;
    PortFactory factory;
    bool isBad = false;
    SerialConfig serCfg;
    // The port, whether its device went away, and the time of the last re-opening: used by the
    // reading thread only.
    std::unique_ptr<SerialPort> serialPort2;
    Clock::time_point lastReopen{};
    bool lost = false;
    ZamTarget* svcr = nullptr;
    std::atomic<int> sleeptime{50};
    std::atomic<int> wait{50};
    std::array<std::uint8_t, buffersize> serin{};
    StopSignal stopping;
    std::thread thread;
};
