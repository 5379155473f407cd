#pragma once

#include "ClientLine.h"

#include <memory>
#include <string>

// The deck controller as the network server uses it.
class ServerTarget {
public:
    virtual ~ServerTarget() = default;
    virtual bool ParseNetCommand(const std::string& line) = 0;
    virtual void ShowStat(const std::string& text) = 0;
    // The network hook a closing connection calls; it has no effect in this system.
    virtual void CommandB5() = 0;
    // The client that reports and cue runs answer from now on.
    virtual void setClient(std::shared_ptr<ClientLine> client) = 0;
};
