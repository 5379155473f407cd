#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

// A program started by a test in a working directory of its own, its standard output kept.
class Process {
public:
    Process(const std::string& program, const std::vector<std::string>& args,
            const std::string& workDir);
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
    std::chrono::milliseconds elapsed() const;
    pid_t id() const { return pid; }

private:
    void drain(int timeoutMs);

    pid_t pid = -1;
    int outFd = -1;
    std::string out;
    int status = -2;
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
