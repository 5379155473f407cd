#pragma once

#include <cerrno>
#include <stdexcept>
#include <string>

// True for the errors that say the device itself is gone: unplugged, switched off, or its line
// hung up (a hang-up reads as EIO).
inline bool DeviceGone(int code) {
    return code == EIO || code == ENXIO || code == ENODEV;
}

// An input/output failure of the serial layer; what() is the fixed text of the failure, code()
// the system's error number behind it (0 when there is none).
class SerialIOError : public std::runtime_error {
public:
    explicit SerialIOError(const std::string& what, int code = 0)
        : std::runtime_error(what), errorCode(code) {}
    int code() const { return errorCode; }
    bool deviceGone() const { return DeviceGone(errorCode); }

private:
    int errorCode;
};
