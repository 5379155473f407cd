#include "SerStreams.h"

#include "SerialError.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

namespace {
void pause20() {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
}
} // namespace

SerInputStream::SerInputStream(SerialPort& p) : port(p) {
    if (port.getPortNum() < 0) throw SerialIOError("Port not open");
    port.setTimeoutRx(0);
}

int SerInputStream::read() {
    for (;;) {
        const int b = port.getByte();
        if (b >= 0) return b;
        pause20();
    }
}

int SerInputStream::read(std::span<std::uint8_t> bytes) {
    if (bytes.empty()) return 0;
    for (;;) {
        const int n = port.getData(bytes);
        if (n > 0) return n;
        pause20();
    }
}

int SerInputStream::read(std::span<std::uint8_t> bytes, int offset, int length) {
    const int room = static_cast<int>(bytes.size()) - offset;
    if (offset < 0 || room <= 0 || length <= 0) return 0;
    std::vector<std::uint8_t> tmp(static_cast<size_t>(std::min(length, room)));
    const int n = read(tmp);
    std::copy_n(tmp.begin(), n, bytes.begin() + offset);
    return n;
}

int SerInputStream::available() {
    return port.rxReadyCount();
}

SerOutputStream::SerOutputStream(SerialPort& p) : port(p) {
    if (port.getPortNum() < 0) throw SerialIOError("Port not open");
    port.setTimeoutTx(writeTimeoutMs);
}

void SerOutputStream::write(std::uint8_t b) {
    port.putByte(b);
}

void SerOutputStream::write(std::span<const std::uint8_t> bytes) {
    port.putData(bytes);
}

void SerOutputStream::write(std::span<const std::uint8_t> bytes, int offset, int length) {
    write(bytes.subspan(static_cast<size_t>(offset), static_cast<size_t>(length)));
}

void SerOutputStream::flush() {
    while (port.txBufCount() > 0) std::this_thread::yield();
}
