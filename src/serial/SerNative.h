#pragma once

#include "SerialConfig.h"

#include <cstdint>
#include <termios.h>

// The native serial calls over POSIX termios. One table of open ports serves the process; every
// call but SerOpenPort and SerConfigure takes the port's index (its number less one). Results of
// -1 mean failure unless said otherwise.
namespace sernative {
constexpr int OK = 0;
constexpr int ALREADY_OPEN = 1000;
constexpr int IN_USE = 1002;
constexpr int NOT_VALID = 1003;

// The device path a configuration names: "COMn" stands for /dev/ttyS(n-1); a port given by number
// is baseName + (number - 1).
std::string DevicePath(const SerialConfig& cfg);

// The line settings of a configuration applied to a terminal's settings: raw bytes, the bit
// rate, data bits, parity, stop bits and handshake, reads that return at once.
termios MakeTermios(const SerialConfig& cfg, termios base);
} // namespace sernative

int SerOpenPort(SerialConfig& cfg);
int SerConfigure(const SerialConfig& cfg);
int SerClosePort(int port);
int SerPutByte(int port, std::uint8_t b);
int SerPutData(int port, const std::uint8_t* data, int len);
int SerGetByte(int port);
int SerGetData(int port, std::uint8_t* data, int len);
int SerRxReadyCount(int port);
int SerTxBufCount(int port);
int SerRxFlush(int port);
int SerTxFlush(int port);
int SerTxDrain(int port);
int SerSetDTR(int port, bool on);
int SerSetRTS(int port, bool on);
int SerSetTimeoutRx(int port, int ms);
int SerSetTimeoutTx(int port, int ms);
int SerGetTimeoutRx(int port);
int SerGetTimeoutTx(int port);
int SerSigCTS(int port);
int SerSigDSR(int port);
int SerSigCD(int port);
int SerSigRing(int port);
int SerSendBreak(int port, int ms);
int SerGetLibVer();
// Asks the driver to pass received bytes on at once (ASYNC_LOW_LATENCY); -1 when it refuses.
int SerSetLowLatency(int port);
