#pragma once

#include "ClientLine.h"
#include "ClientWriter.h"
#include "ServerTarget.h"
#include "StopSignal.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

// One connected client: greeted with "OK", then each line it sends is a command for the deck
// controller, run on this connection's thread. "Close", "KILL", an empty line, the end of the
// stream or a line longer than 4096 bytes end the connection. A "Wait" line pauses this
// client's commands, and ends early when the client leaves. Lines sent to the client end in
// CR LF; Send may be called from any thread, one whole line at a time, and never waits for the
// client: a writer thread of the connection's own writes them (see ClientWriter).
//
// The socket keeps its connection alive: a peer that is gone without a word (a cable pulled, a
// host switched off) is found within about a minute, and its read ends as an I/O error.
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

    // Keepalive: the first probe after this many seconds of silence, then one every
    // keepIntervalS; keepProbes unanswered probes end the connection.
    static constexpr int keepIdleS = 20, keepIntervalS = 10, keepProbes = 4;

private:
    ServerTarget& svcr;
    // Guards cs: its shutdown and its close.
    std::mutex socketMutex;
    int cs;
    std::unique_ptr<ClientWriter> writer;
    // The client has left (or was dropped): a Wait ends at once.
    StopSignal gone;
    std::atomic<bool> a{false};
    std::atomic<bool> done{false};
    std::atomic<bool> closing{false}; // KOLB ends the connection (shutdown), not the client
    std::string str;
};
