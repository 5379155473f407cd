#pragma once

#include "ClientLine.h"
#include "ServerTarget.h"

#include <atomic>
#include <mutex>
#include <string>

// One connected client: greeted with "OK", then each line it sends is a command for the deck
// controller, run on this connection's thread. "Close", "KILL", an empty line, the end of the
// stream or a line longer than 4096 bytes end the connection. Lines sent to the client end in
// CR LF; Send may be called from any thread, one whole line at a time.
class ClientSocket : public ClientLine {
public:
    // Takes over a connected socket.
    ClientSocket(int socket, ServerTarget& vcr);
    ~ClientSocket() override;
    ClientSocket(const ClientSocket&) = delete;
    ClientSocket& operator=(const ClientSocket&) = delete;

    // Serves the client until the connection ends, then closes it.
    void run();
    void Send(const std::string& line) override;
    // Closes the connection; Send does nothing from then on.
    void Close(bool unused = false);
    void ShowStat(const std::string& text) { svcr.ShowStat(text); }
    // Ends a connection being served from another thread: its read returns at once.
    void shutdown();
    // The connection's thread marks the end of its work, after run() and what follows it.
    void ended() { done = true; }
    bool finished() const { return done; }

    // A client that takes no bytes for this long is given up, so a cue run never hangs on it.
    static constexpr int sendTimeoutMs = 2000;

private:
    ServerTarget& svcr;
    // Guards cs: every write, and the close.
    std::mutex sendMutex;
    int cs;
    std::atomic<bool> a{false};
    std::atomic<bool> done{false};
    std::string str;
};
