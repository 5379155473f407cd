#pragma once

#include <cstdint>
#include <span>
#include <string>

// One open serial port. Failures are raised as SerialIOError with the fixed texts.
class SerialPort {
public:
    virtual ~SerialPort() = default;

    virtual void setDTR(bool on) = 0;
    virtual void setRTS(bool on) = 0;
    virtual void putByte(std::uint8_t b) = 0;
    virtual void putData(std::span<const std::uint8_t> bytes) = 0;
    virtual int getData(std::span<std::uint8_t> bytes) = 0;
    virtual int getData(std::span<std::uint8_t> bytes, int offset, int length) = 0;
    virtual int getByte() = 0;
    virtual int rxReadyCount() = 0;
    virtual void rxFlush() = 0;
    virtual int txBufCount() = 0;
    virtual void txFlush() = 0;
    virtual void txDrain() = 0;
    virtual void setTimeoutRx(int ms) = 0;
    virtual void setTimeoutTx(int ms) = 0;
    virtual int getTimeoutRx() = 0;
    virtual int getTimeoutTx() = 0;
    virtual bool sigCTS() = 0;
    virtual bool sigDSR() = 0;
    virtual bool sigCD() = 0;
    virtual bool sigRing() = 0;
    virtual void sendBreak(int ms) = 0;
    virtual int getPortNum() const = 0;
    virtual bool isOpen() const = 0;
    virtual std::string getName() const = 0;
    virtual void close() = 0;
};
