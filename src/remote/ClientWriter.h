#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

// The bytes for one connected client, written by a thread of their own: whoever queues them (a
// cue run, the poller, the window, the connection's reader) never waits for the client. The
// thread also watches the connection, so a client that leaves is noticed while nothing is read.
//
// A client that takes no byte of what waits for it for dropAfterMs, or falls more than maxQueued
// bytes behind, is dropped: the connection is shut down (its reader then ends) and `dropped` is
// told why. `left` is told once when the client closes or resets its end. The socket stays open
// until the owner closes it, after finish().
class ClientWriter {
public:
    using Dropped = std::function<void(const std::string& why)>;
    ClientWriter(int socket, Dropped dropped, std::function<void()> left);
    // finish()
    ~ClientWriter();
    ClientWriter(const ClientWriter&) = delete;
    ClientWriter& operator=(const ClientWriter&) = delete;

    // Queues the bytes; any thread, never waits.
    void queue(const std::string& bytes);
    // Writes what is still queued, for at most finishMs, and ends the thread.
    void finish();
    // The connection is gone for good: reset, or a write to it failed. (A client that only
    // closed its sending side still reads what it is sent.)
    bool broken() const { return isBroken; }

    static constexpr int dropAfterMs = 10000;
    static constexpr std::size_t maxQueued = 2 << 20;
    static constexpr int finishMs = 1000;

private:
    void run();
    void serve();
    void wakeUp();
    // Shuts the connection down and says why.
    void drop(const std::string& why);

    const int cs;
    const int wake; // an eventfd: bytes were queued, or finish() was called
    Dropped dropped;
    std::function<void()> left;
    // Guards queued, unsent, overflow and finishing.
    std::mutex mutex;
    std::string queued;
    std::size_t unsent = 0; // queued, or taken by the thread and not yet sent
    bool overflow = false;
    bool finishing = false;
    std::atomic<bool> isBroken{false};
    std::thread thread;
};
