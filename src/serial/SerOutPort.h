#pragma once

#include "SerStreams.h"
#include "SerialConfig.h"
#include "SerialPort.h"

#include <array>
#include <atomic>
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
class SerOutPort {
public:
    using PortFactory = std::function<std::unique_ptr<SerialPort>(const SerialConfig&)>;

    // Opens the port at 38400 bit/s, 8 data bits, odd parity, 1 stop bit. A port that cannot be
    // opened is reported on the console and through bad(), not to the caller.
    explicit SerOutPort(const std::string& portName, PortFactory factory = {});
    virtual ~SerOutPort() = default;

    virtual void setwait(int ms) { wait = ms; }
    // One whole exchange under the link's lock: clear, send, wait, read.
    virtual DeckReply SendSerial(std::span<const std::uint8_t> frame);
    virtual bool SendSer(std::span<const std::uint8_t> frame);
    virtual DeckReply ReadSer();
    virtual int SerCount() const { return numBytes; }
    virtual void ShowStat(const std::string& text);

    bool bad() const { return isBad; }
    int getwait() const { return wait; }
    bool hasSerialPort() const { return serialPort != nullptr; }
    bool hasOutStream() const { return SerialOutStream != nullptr; }
    // Where ShowStat sends its texts (the deck controller's status line).
    void setStatusSink(std::function<void(const std::string&)> sink);

    static constexpr int txBuf = 2048;
    static constexpr int rxBuf = 4096;
    static constexpr int buffersize = 16;

private:
    bool sendLocked(std::span<const std::uint8_t> frame);
    DeckReply readLocked();

    bool isBad = false;
    SerialConfig serCfg;
    std::atomic<int> wait{20};
    std::atomic<int> numBytes{0};

    // Guards one whole exchange: serin, the port and its streams.
    mutable std::mutex linkMutex;
    std::array<std::uint8_t, buffersize> serin{};
    std::unique_ptr<SerialPort> serialPort;
    std::unique_ptr<SerOutputStream> SerialOutStream;
    std::unique_ptr<SerInputStream> SerialInStream;

    // Guards statusSink.
    std::mutex sinkMutex;
    std::function<void(const std::string&)> statusSink;
};
