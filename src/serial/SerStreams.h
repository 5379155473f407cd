#pragma once

#include "SerialPort.h"

#include <cstdint>
#include <span>

// Byte input from a port. Native reads return at once; the blocking reads wait in 20 ms steps.
class SerInputStream {
public:
    explicit SerInputStream(SerialPort& port);
    int read();
    int read(std::span<std::uint8_t> bytes);
    int read(std::span<std::uint8_t> bytes, int offset, int length);
    int available();

private:
    SerialPort& port;
};

// Byte output to a port; a write sends the whole array in one native call. A write that the far
// end does not take within writeTimeoutMs fails, so a line that stopped draining never holds
// the link for good.
class SerOutputStream {
public:
    static constexpr int writeTimeoutMs = 500;

    explicit SerOutputStream(SerialPort& port);
    void write(std::uint8_t b);
    void write(std::span<const std::uint8_t> bytes);
    void write(std::span<const std::uint8_t> bytes, int offset, int length);
    void flush();

private:
    SerialPort& port;
};
