#include "SerialPortLocal.h"

#include "SerNative.h"
#include "SerialError.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

SerialPortLocal::SerialPortLocal(const SerialConfig& config)
    : osName(config.getOsName()), cfg(config) {
    featureSetup();
    if (osName != "Windows 95") cfg.setHardFlow(false);

    switch (const int rc = SerOpenPort(cfg)) {
    case 0:
        break;
    case 1000:
        throw SerialIOError("SerOpenPort failed: Port is already open");
    case 1002:
        throw SerialIOError("SerOpenPort failed: Port is in use");
    case 1003:
        throw SerialIOError("SerOpenPort failed: Port not valid");
    default:
        throw SerialIOError("SerOpenPort failed: " + std::to_string(rc));
    }
    open = true;
    port = cfg.getPort() - 1;

    if (const int rc = SerConfigure(cfg); rc != 0) {
        SerClosePort(port);
        open = false;
        port = -1;
        throw SerialIOError("Configure failed: " + std::to_string(rc));
    }
    if (osName == "Mac OS") {
        SerSetTimeoutRx(port, 2000);
        SerSetTimeoutTx(port, 2000);
    } else {
        SerSetTimeoutRx(port, 0);
        if (supported.timeoutTx) SerSetTimeoutTx(port, 0);
    }
}

SerialPortLocal::~SerialPortLocal() {
    if (open) SerClosePort(port);
}

void SerialPortLocal::featureSetup() {
    Supported& s = supported;
    if (osName == "Windows 95" || osName == "Windows NT" || osName == "Windows 98" ||
        osName == "OS/2") {
        s = Supported{true, true, true, true, true, true, true, true, true};
        defaultDeviceName = "COM1";
    } else if (osName == "Mac OS") {
        s.rxReadyCount = s.timeoutTx = s.sigCTS = s.setDTR = true;
        softTimeout = true;
        defaultDeviceName = "Modem Port";
    } else if (osName == "Linux" || osName == "FreeBSD" || osName == "Solaris" ||
               osName == "HP/UX" || osName == "IRIX" || osName == "AIX") {
        s.sigRing = s.setRTS = s.setDTR = s.sigCD = s.rxReadyCount = s.txBufCount = s.sigCTS =
            s.sigDSR = true;
        softTimeout = true;
        defaultDeviceName = osName == "Linux"     ? "/dev/ttyS0"
                            : osName == "Solaris" ? "/dev/ttya"
                                                  : "/dev/tty0";
    }
}

void SerialPortLocal::require(bool flag, const char* operation) const {
    if (!flag) throw SerialIOError(std::string(operation) + " not supported on " + osName);
}

void SerialPortLocal::requireOpen(const char* operation) const {
    if (port < 0) throw SerialIOError(std::string(operation) + ": Port not open");
}

void SerialPortLocal::setDTR(bool on) {
    require(supported.setDTR, "setDTR");
    if (SerSetDTR(port, on) == -1) throw SerialIOError("setDTR failed");
}

void SerialPortLocal::setRTS(bool on) {
    require(supported.setRTS, "setRts");
    if (SerSetRTS(port, on) == -1) throw SerialIOError("setRTS failed");
}

void SerialPortLocal::putByte(std::uint8_t b) {
    const std::uint8_t one[1] = {b};
    putData(one);
}

void SerialPortLocal::putData(std::span<const std::uint8_t> bytes) {
    const int length = static_cast<int>(bytes.size());
    errno = 0;
    const int sent = SerPutData(port, bytes.data(), length);
    const int err = errno;
    if (sent < length)
        throw SerialIOError("PutData1: Sent only " + std::to_string(sent) + " of " +
                                std::to_string(length) + " bytes",
                            err);
}

int SerialPortLocal::getData(std::span<std::uint8_t> bytes) {
    const int length = static_cast<int>(bytes.size());
    const int timeout = softTimeout ? SerGetTimeoutRx(port) : 0;
    if (timeout > 0) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
        while (SerRxReadyCount(port) < length && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
    }
    const int n = SerGetData(port, bytes.data(), length);
    const int err = errno;
    if (n == -1) throw SerialIOError("getData: failed", err);
    return n;
}

int SerialPortLocal::getData(std::span<std::uint8_t> bytes, int offset, int length) {
    const int room = static_cast<int>(bytes.size()) - offset;
    if (offset < 0 || room <= 0 || length <= 0) return 0;
    std::vector<std::uint8_t> tmp(static_cast<size_t>(std::min(length, room)));
    const int n = getData(tmp);
    std::copy_n(tmp.begin(), n, bytes.begin() + offset);
    return n;
}

int SerialPortLocal::getByte() {
    requireOpen("getByte");
    return SerGetByte(port);
}

int SerialPortLocal::rxReadyCount() {
    require(supported.rxReadyCount, "rxReadyCount");
    requireOpen("rxReadyCount");
    const int n = SerRxReadyCount(port);
    const int err = errno;
    if (n == -1) throw SerialIOError("rxReadyCount failed", err);
    return n;
}

void SerialPortLocal::rxFlush() {
    if (SerRxFlush(port) == -1) throw SerialIOError("rxFlush failed");
}

int SerialPortLocal::txBufCount() {
    require(supported.txBufCount, "txBufCount");
    requireOpen("txBufCount");
    const int n = SerTxBufCount(port);
    if (n == -1) throw SerialIOError("txBufCount failed");
    return n;
}

void SerialPortLocal::txFlush() {
    if (SerTxFlush(port) == -1) throw SerialIOError("txFlush failed");
}

void SerialPortLocal::txDrain() {
    if (SerTxDrain(port) == -1) throw SerialIOError("txDrain failed");
}

void SerialPortLocal::setTimeoutRx(int ms) {
    if (SerSetTimeoutRx(port, ms) == -1) throw SerialIOError("setTimeoutRx failed");
}

void SerialPortLocal::setTimeoutTx(int ms) {
    if (SerSetTimeoutTx(port, ms) == -1) throw SerialIOError("setTimeoutTx failed");
}

int SerialPortLocal::getTimeoutRx() {
    return SerGetTimeoutRx(port);
}
int SerialPortLocal::getTimeoutTx() {
    return SerGetTimeoutTx(port);
}

bool SerialPortLocal::sigCTS() {
    require(supported.sigCTS, "sigCTS");
    return SerSigCTS(port) == 1;
}

bool SerialPortLocal::sigDSR() {
    require(supported.sigDSR, "sigDSR");
    return SerSigDSR(port) == 1;
}

bool SerialPortLocal::sigCD() {
    require(supported.sigCD, "sigCD");
    return SerSigCD(port) == 1;
}

bool SerialPortLocal::sigRing() {
    require(supported.sigRing, "sigRing");
    return SerSigRing(port) == 1;
}

void SerialPortLocal::sendBreak(int ms) {
    if (SerSendBreak(port, ms) == -1) throw SerialIOError("sendBreak failed");
}

bool SerialPortLocal::askLowLatency() {
    return open && SerSetLowLatency(port) == 0;
}

void SerialPortLocal::close() {
    if (SerClosePort(port) != 0) throw SerialIOError("ClosePort failed");
    open = false;
    port = -1;
}
