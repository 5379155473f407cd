#pragma once

#include <stdexcept>

// An input/output failure of the serial layer; what() is the fixed text of the failure.
class SerialIOError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
