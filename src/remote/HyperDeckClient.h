#pragma once

#include "ClientWriter.h"
#include "CommandTarget.h"
#include "HyperDeckSession.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

// One connected HyperDeck protocol client, served on a thread of its own: greeted with the
// connection banner, then each command it sends is carried out and answered. "quit", the end of
// the stream, a line longer than 4096 bytes or a watchdog period without a byte end the
// connection. What it is sent is queued and written by a writer thread of the connection's own
// (ClientWriter), so a client that stops reading never holds anyone up: it is dropped after
// 10 s.
class HyperDeckClient {
public:
    using Say = std::function<void(const std::string&)>;
    // Takes over a connected socket; its deck commands take turns at the pacer; `say` gets the
    // lines for the log and the status field, `ended` is called on the connection's thread as
    // its work ends. The socket is kept alive as the command server's are.
    HyperDeckClient(int socket, CommandTarget& deck, HyperDeckPacer& pacer, Say say,
                    std::function<void()> ended);
    // Ends the connection and waits for its thread.
    ~HyperDeckClient();
    HyperDeckClient(const HyperDeckClient&) = delete;
    HyperDeckClient& operator=(const HyperDeckClient&) = delete;

    void start();
    // Queues a whole reply or notification; any thread, never waits.
    void send(const std::string& text) { writer->queue(text); }
    // What the client asked to be told of.
    const HyperDeckSession& asked() const { return session; }
    // Ends the connection from another thread: no further command of it is carried out.
    void shutdown();
    bool finished() const { return done; }

private:
    void run();
    // Like recv(2), but a client that set a watchdog and sends nothing for its period is
    // timed out (-1, ETIMEDOUT).
    long receive(char* buffer, std::size_t size);

    const int fd;
    HyperDeckSession session;
    Say say;
    std::function<void()> ended;
    std::unique_ptr<ClientWriter> writer;
    std::atomic<bool> stopping{false};
    std::atomic<bool> done{false};
    std::thread thread;
};
