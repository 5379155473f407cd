#pragma once

#include "SerialPort.h"

// A serial port that does nothing: no bytes in, every byte out taken, an open port number 0.
// Tests derive from it and give the few operations they are about a behaviour.
class QuietPort : public SerialPort {
public:
    void setDTR(bool) override {}
    void setRTS(bool) override {}
    void putByte(std::uint8_t) override {}
    void putData(std::span<const std::uint8_t>) override {}
    int getData(std::span<std::uint8_t>) override { return 0; }
    int getData(std::span<std::uint8_t>, int, int) override { return 0; }
    int getByte() override { return -1; }
    int rxReadyCount() override { return 0; }
    void rxFlush() override {}
    int txBufCount() override { return 0; }
    void txFlush() override {}
    void txDrain() override {}
    void setTimeoutRx(int) override {}
    void setTimeoutTx(int) override {}
    int getTimeoutRx() override { return 0; }
    int getTimeoutTx() override { return 0; }
    bool sigCTS() override { return false; }
    bool sigDSR() override { return false; }
    bool sigCD() override { return false; }
    bool sigRing() override { return false; }
    void sendBreak(int) override {}
    int getPortNum() const override { return 0; }
    bool isOpen() const override { return true; }
    std::string getName() const override { return "quiet"; }
    void close() override {}
};
