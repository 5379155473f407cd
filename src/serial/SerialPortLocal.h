#pragma once

#include "SerialConfig.h"
#include "SerialPort.h"

// A serial port of this machine, opened by its constructor through the native calls. Optional
// operations are available by the operating system's name, as the platform table says.
class SerialPortLocal : public SerialPort {
public:
    // Opens and configures the port; raises SerialIOError when it cannot.
    explicit SerialPortLocal(const SerialConfig& config);
    ~SerialPortLocal() override;

    void setDTR(bool on) override;
    void setRTS(bool on) override;
    void putByte(std::uint8_t b) override;
    void putData(std::span<const std::uint8_t> bytes) override;
    int getData(std::span<std::uint8_t> bytes) override;
    int getData(std::span<std::uint8_t> bytes, int offset, int length) override;
    int getByte() override;
    int rxReadyCount() override;
    void rxFlush() override;
    int txBufCount() override;
    void txFlush() override;
    void txDrain() override;
    void setTimeoutRx(int ms) override;
    void setTimeoutTx(int ms) override;
    int getTimeoutRx() override;
    int getTimeoutTx() override;
    bool sigCTS() override;
    bool sigDSR() override;
    bool sigCD() override;
    bool sigRing() override;
    void sendBreak(int ms) override;
    int getPortNum() const override { return port; }
    bool isOpen() const override { return open; }
    std::string getName() const override { return name; }
    void close() override;

    // Asks the driver to pass received bytes on at once (a USB adapter's latency timer).
    bool askLowLatency();

    const SerialConfig& config() const { return cfg; }
    const std::string& defaultDevice() const { return defaultDeviceName; }
    bool softGetDataTimeout() const { return softTimeout; }

private:
    struct Supported {
        bool rxReadyCount = false, txBufCount = false, setDTR = false, setRTS = false,
             timeoutTx = false, sigCTS = false, sigDSR = false, sigCD = false, sigRing = false;
    };
    void featureSetup();
    void require(bool flag, const char* operation) const;
    void requireOpen(const char* operation) const;

    int port = -1;
    bool open = false;
    std::string name = "Serial Port";
    std::string osName;
    SerialConfig cfg;
    Supported supported;
    bool softTimeout = false;
    std::string defaultDeviceName;
};
