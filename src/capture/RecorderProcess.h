#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

// One run of the recorder program: started directly (no shell) with its standard output and
// error going to a file and its standard input from /dev/null; stopped with SIGINT, then
// SIGTERM after 10 s, then SIGKILL after 5 s more. Destroying a process that still runs kills it
// (SIGKILL) and reaps it. Start and the checks are for one thread at a time; interrupt() may be
// called from another thread.
class RecorderProcess {
public:
    using Clock = std::chrono::steady_clock;
    using Log = std::function<void(const std::string&)>;
    static constexpr std::chrono::seconds termAfter{10}; // SIGINT to SIGTERM
    static constexpr std::chrono::seconds killAfter{5};  // SIGTERM to SIGKILL

    RecorderProcess() = default;
    ~RecorderProcess();
    RecorderProcess(const RecorderProcess&) = delete;
    RecorderProcess& operator=(const RecorderProcess&) = delete;

    // Starts argv[0] (looked up on PATH when it has no '/') with its arguments; output to
    // outputPath, created or appended to. Empty on success, else the reason: the program's
    // error text ("No such file or directory", "Permission denied"), or "no program" for no words.
    std::string start(const std::vector<std::string>& argv, const std::string& outputPath);
    bool started() const { return pid > 0; }
    Clock::time_point startedAt() const { return began; }
    // The exit status once the program has ended, without waiting: its exit code, or 128 plus
    // the signal that ended it.
    std::optional<int> exited();
    // Sends SIGINT now (once; again has no effect); safe from any thread while the process runs.
    void interrupt();
    Clock::time_point interruptedAt() const;
    // Stops the program and waits for its end: SIGINT unless interrupt() sent it, SIGTERM when
    // it still runs termAfter later, SIGKILL killAfter after that. Each signal is logged
    // ("recorder: SIGINT sent", "recorder still running after 10 s: SIGTERM sent",
    // "recorder still running after 5 s more: SIGKILL sent"), a SIGINT interrupt() sent too;
    // the 10 s count from the SIGINT. Returns the exit status (no signal when it has already
    // ended), or -1 when it was never started.
    int stop(const Log& log);

private:
    // Records the end of a status from waitpid.
    void ended(int waitStatus);

    // Set by start(), read by interrupt() on whichever thread.
    std::atomic<pid_t> pid{-1};
    // True once the process is reaped: its pid may then name another process, so nothing is
    // sent to it any more.
    std::atomic<bool> reaped{false};
    // Held by exited()'s reaping and by interrupt(), which run on two threads.
    std::mutex reapMutex;
    std::optional<int> status;
    Clock::time_point began{};
    // Written by interrupt() on whichever thread, read by the owner.
    std::atomic<long long> interruptNs{0};
    std::atomic<bool> interruptSent{false};
};
