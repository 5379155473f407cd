#pragma once

#include "ClientSocket.h"
#include "ServerTarget.h"
#include "StopSignal.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// The TCP command server: a listening socket and the thread that accepts clients, one at a time.
// Each client is served on a connection thread of its own; when it leaves, the next is served. A
// client that connects while another is served is told "BUSY" and closed.
//
// Plain POSIX sockets: one blocking accept and one blocking line reader per connection are all
// the protocol needs, and this library stays free of Qt.
class NetServer {
public:
    explicit NetServer(ServerTarget& vcr);
    ~NetServer();
    NetServer(const NetServer&) = delete;
    NetServer& operator=(const NetServer&) = delete;

    // Listens on the address (an IPv4 address text) and port (0: any free port, see port());
    // false when that cannot be done.
    bool open(const std::string& address, int port);
    // Why the last open failed ("Address already in use", ...).
    const std::string& error() const { return openError; }
    // Starts accepting clients.
    void start();
    int port() const { return boundPort; }

    // How long a new client waits for the one being served to finish before it is told "BUSY".
    static constexpr int busyAfterMs = 1000;

private:
    void acceptLoop();
    void serve(int socket);

    ServerTarget& svcr;
    int ss = -1;
    int boundPort = 0;
    std::string openError;
    StopSignal stopping;
    std::thread acceptThread;
    // Guards active, clientThread and the end of the active client's work.
    std::mutex clientMutex;
    std::condition_variable clientEnded;
    std::shared_ptr<ClientSocket> active;
    std::thread clientThread;
};
