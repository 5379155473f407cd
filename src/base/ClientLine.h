#pragma once

#include <string>

// A connected network client: one text line at a time.
class ClientLine {
public:
    virtual ~ClientLine() = default;
    virtual void Send(const std::string& line) = 0;
};
