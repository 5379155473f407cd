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
//
// The program runs in a process group of its own, under a small guard process that leads the
// group: every signal goes to the whole group, so a recorder started through a shell script
// takes the programs the script started with it. The guard ends the group when this process
// ends in any way, even killed: SIGINT at once, SIGKILL orphanKillAfter later. The run is over
// when the program and everything it left in its group have ended.
class RecorderProcess {
public:
    using Clock = std::chrono::steady_clock;
    using Log = std::function<void(const std::string&)>;
    static constexpr std::chrono::seconds termAfter{10}; // SIGINT to SIGTERM
    static constexpr std::chrono::seconds killAfter{5};  // SIGTERM to SIGKILL
    // With its owner gone, SIGINT to SIGKILL: a second to finish a file, and the group is gone
    // well within two seconds of the owner.
    static constexpr std::chrono::seconds orphanKillAfter{1};

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
    // The exit status once the program and the rest of its group have ended, without waiting:
    // the program's own exit code, or 128 plus the signal that ended it.
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
    // Records the end of the guard from its waitpid status and what it told.
    void ended(int waitStatus);
    // Sends sig to the whole group unless it is reaped.
    void signalGroup(int sig);

    // The guard's pid, which is the group's id. Set by start(), read by interrupt() on
    // whichever thread.
    std::atomic<pid_t> pid{-1};
    // True once the guard is reaped: the group's id may then name another group, so nothing is
    // sent to it any more.
    std::atomic<bool> reaped{false};
    // Held by exited()'s reaping and by interrupt(), which run on two threads.
    std::mutex reapMutex;
    std::optional<int> status;
    Clock::time_point began{};
    // This end of the link with the guard: its closing (also by the kernel when this process
    // dies) tells the guard to end the group; the guard tells the program's status through it.
    int link = -1;
    // Written by interrupt() on whichever thread, read by the owner.
    std::atomic<long long> interruptNs{0};
    std::atomic<bool> interruptSent{false};
};
