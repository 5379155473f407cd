#pragma once

#include "LateReplies.h"
#include "SerStreams.h"
#include "SerialConfig.h"
#include "SerialPort.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>

// The bytes of one reply and how many of them the exchange took, handed back together so no
// other thread's exchange can come between them.
struct DeckReply {
    std::array<std::uint8_t, 16> bytes{};
    int count = 0;
};

// The request/reply link to the deck: send a frame, wait a fixed time, take what has arrived.
// Input left from an earlier exchange is dropped before each send, and a reply that has begun
// within the wait is completed for up to completionMs more, so a deck that answers late in its
// window costs one exchange a little time instead of spoiling the next one. What an exchange
// reads is cut into frames by their length nibble: a frame that answers an earlier exchange
// that gave up (a late reply) is dropped, counted and logged, and the frame behind it is the
// reply. When more than the buffer holds has come, the buffer keeps the last portion read, and
// the console says so.
//
// When the device itself goes away (a write or read says so), the link closes the port, says
// "Deck link lost: <port>" once, and refuses exchanges at once while it tries, quietly, to open
// the same path again every reopenEveryMs; when it opens, the line is set up as at start-up and
// "Deck link restored: <port>" is said.
class SerOutPort {
public:
    using PortFactory = std::function<std::unique_ptr<SerialPort>(const SerialConfig&)>;
    using Clock = std::chrono::steady_clock;

    static constexpr int txBuf = 2048;
    static constexpr int rxBuf = 4096;
    static constexpr int buffersize = 16;
    static constexpr int completionMs = 5;
    static constexpr int reopenEveryMs = 1000;

    // Opens the port at 38400 bit/s, 8 data bits, odd parity, 1 stop bit. A port that cannot be
    // opened is reported on the console and through bad(), not to the caller.
    explicit SerOutPort(const std::string& portName, PortFactory factory = {});
    virtual ~SerOutPort() = default;

    virtual void setwait(int ms) { wait = ms; }
    // One whole exchange under the link's lock: drop stale input, send, wait, read (completing
    // a reply that has begun). While the link is lost: no wait, no reply.
    virtual DeckReply SendSerial(std::span<const std::uint8_t> frame);
    virtual bool SendSer(std::span<const std::uint8_t> frame);
    virtual DeckReply ReadSer();
    virtual int SerCount() const { return numBytes; }
    virtual void ShowStat(const std::string& text);

    // Late replies dropped so far.
    long lateReplies() const { return lateCount; }
    static constexpr const char* lateText =
        "Late reply from the deck dropped: it answered an exchange that had given up";

    bool bad() const { return isBad; }
    int getwait() const { return wait; }
    bool hasSerialPort() const { return portOpen; }
    bool hasOutStream() const { return outStreamMade; }
    // The device went away and has not been opened again yet.
    bool linkLost() const { return lost; }
    const std::string& portName() const { return name; }
    // Holds the link between exchanges: what a reply calls for is sent before any other
    // thread's exchange (the Stop that a time reading at a review's out point asks for).
    std::unique_lock<std::recursive_mutex> holdExchanges() {
        return std::unique_lock<std::recursive_mutex>(linkMutex);
    }
    // Where ShowStat sends its texts (the deck controller's status line).
    void setStatusSink(std::function<void(const std::string&)> sink);

private:
    // Makes the port and its streams; quiet leaves out the console lines of a failed DTR, RTS
    // or stream (a re-opening says only that the link is back).
    bool openLine(bool quiet);
    void loseLocked();
    bool reopenLocked();
    void dropStaleLocked();
    bool sendLocked(std::span<const std::uint8_t> frame);
    DeckReply readLocked();
    void completeLocked();
    // Keeps bytes in serin as reads of buffersize each would have left them.
    void keepLocked(std::span<const std::uint8_t> bytes);
    void dropLateLocked(int frames);

    std::string name;
    PortFactory factory;
    bool isBad = false;
    SerialConfig serCfg;
    std::atomic<int> wait{20};
    std::atomic<int> numBytes{0};
    std::atomic<bool> portOpen{false};
    std::atomic<bool> outStreamMade{false};
    std::atomic<bool> lost{false};
    std::atomic<long> lateCount{0};

    // Guards one whole exchange: serin, the port, its streams and the last re-opening. A
    // holder of holdExchanges() may make exchanges of its own meanwhile.
    mutable std::recursive_mutex linkMutex;
    std::array<std::uint8_t, buffersize> serin{};
    std::unique_ptr<SerialPort> serialPort;
    std::unique_ptr<SerOutputStream> SerialOutStream;
    std::unique_ptr<SerInputStream> SerialInStream;
    Clock::time_point lastReopen{};
    LateReplies late;

    // Guards statusSink.
    std::mutex sinkMutex;
    std::function<void(const std::string&)> statusSink;
};
