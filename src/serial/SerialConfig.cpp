#include "SerialConfig.h"

#include <stdexcept>
#include <sys/utsname.h>

SerialConfig::SerialConfig() : portName("COM1"), baseName("/dev/ttyS") {}

SerialConfig::SerialConfig(const std::string& name) : portName(name) {}

SerialConfig::SerialConfig(int portNum) : baseName("/dev/ttyS") {
    setPortNum(portNum);
}

SerialConfig::SerialConfig(int portNum, int tx, int rx)
    : baseName("/dev/ttyS"), txLen(tx), rxLen(rx) {
    setPortNum(portNum);
}

void SerialConfig::setPortNum(int value) {
    if (value < 0) throw std::invalid_argument("Invalid Port Number: " + std::to_string(value));
    port = value;
}

void SerialConfig::setBitRate(int code) {
    if (code < BR_110 || code > BR_115200)
        throw std::invalid_argument("Invalid Serial Port Bit Rate");
    bitRate = code;
}

void SerialConfig::setParity(int code) {
    if (code < PY_NONE || code > PY_EVEN) throw std::invalid_argument("Invalid Serial Port Parity");
    parity = code;
}

void SerialConfig::setDataBits(int code) {
    if (code < LN_5BITS || code > LN_8BITS)
        throw std::invalid_argument("Invalid Serial Port Data Bits");
    dataBits = code;
}

void SerialConfig::setStopBits(int code) {
    if (code < ST_1BITS || code > ST_2BITS)
        throw std::invalid_argument("Invalid Serial Port Stop Bits");
    stopBits = code;
}

void SerialConfig::setHandshake(int code) {
    if (code == HS_DSRDTR && osName != "Windows 95" && osName != "Windows NT" &&
        osName != "Windows CE" && osName != "Windows 98" && osName != "OS/2")
        throw std::invalid_argument("DSRDTR handshaking not available on this platform");
    if (!((code >= HS_NONE && code <= HS_DSRDTR) || (code >= HS_HARD_IN && code <= 240)))
        throw std::invalid_argument("Invalid Serial Port Handshake");
    handshake = code;
}

std::string SerialConfig::SystemName() {
    struct utsname info {};
    if (::uname(&info) != 0) return "";
    return info.sysname;
}
