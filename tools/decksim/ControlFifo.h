#pragma once

#include <atomic>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

// A named pipe a person writes command lines into while the simulator runs
// (echo "local on" > PATH). A thread of its own hands every whole line to the handler; the pipe
// is removed again at the end.
class ControlFifo {
public:
    // The path is taken by something that is not a named pipe.
    struct NotAFifo : std::runtime_error {
        using std::runtime_error::runtime_error;
    };

    // Makes the pipe, replacing a named pipe left there by an earlier run. Throws NotAFifo, or
    // std::runtime_error when the pipe cannot be made.
    explicit ControlFifo(std::string path);
    // Stops the thread and removes the pipe.
    ~ControlFifo();
    ControlFifo(const ControlFifo&) = delete;
    ControlFifo& operator=(const ControlFifo&) = delete;

    // Starts reading: each line, without its newline, goes to the handler on the pipe's thread.
    void start(std::function<void(const std::string& line)> handler);

private:
    void run();

    std::string path;
    int fd = -1;
    std::function<void(const std::string&)> onLine;
    std::atomic<bool> running{true};
    std::thread reader;
};
