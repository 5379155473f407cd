#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

// How a test starts a program, beyond the usual: the child gets QT_QPA_PLATFORM=offscreen, the
// test's standard input and error, and its standard output goes to a pipe the test reads.
struct ProcessOptions {
    // Set in the child after the offscreen default, so they may replace it.
    std::vector<std::pair<std::string, std::string>> setEnv;
    // Removed from the child's environment last (QT_QPA_PLATFORM included).
    std::vector<std::string> unsetEnv;
    // Standard descriptors (0, 1, 2) the program starts with closed.
    std::vector<int> closed;
    // Standard output is a pipe whose read end is already closed: every write to it fails.
    bool stdoutReaderGone = false;
    // Standard error goes to a pipe of its own, read with Process::errors().
    bool captureErrors = false;
    // Run as this user and group (needs root); -1 keeps the test's own.
    uid_t uid = static_cast<uid_t>(-1);
    gid_t gid = static_cast<gid_t>(-1);
};

// A program started by a test in a working directory of its own, its standard output kept.
class Process {
public:
    Process(const std::string& program, const std::vector<std::string>& args,
            const std::string& workDir);
    Process(const std::string& program, const std::vector<std::string>& args,
            const std::string& workDir, const ProcessOptions& options);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Waits for the end (at most timeoutMs) and returns the exit status, or -1 on a signal or
    // a time-out (the process is then killed).
    int wait(int timeoutMs);
    // Reads standard output until `text` has appeared or timeoutMs has passed.
    bool waitForOutput(const std::string& text, int timeoutMs);
    void signal(int sig);
    bool running();
    const std::string& output();
    // Standard error, when captured.
    const std::string& errors();
    // The signal that ended the process, 0 if it exited (or still runs).
    int endSignal() const { return killedBy; }
    std::chrono::milliseconds elapsed() const;
    pid_t id() const { return pid; }

private:
    void drain(int timeoutMs);

    pid_t pid = -1;
    int outFd = -1;
    int errFd = -1;
    std::string out;
    std::string err;
    int status = -2;
    int killedBy = 0;
    std::chrono::steady_clock::time_point started;
    std::chrono::steady_clock::time_point ended;
};

// A fresh, empty directory under /tmp, removed with its contents at the end of its scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return dir; }
    std::string file(const std::string& name) const { return dir + "/" + name; }
    void write(const std::string& name, const std::string& text) const;
    std::string read(const std::string& name) const;
    bool exists(const std::string& name) const;

private:
    std::string dir;
};
