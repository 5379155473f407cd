#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

// One run of a helper program (ffprobe, ffmpeg) to its end, for the capture thread: started
// directly (no shell, argv[0] looked up on PATH when it has no '/'), standard input from
// /dev/null, in a process group of its own. Its standard output is kept (up to a bound), the
// end of its error output too. Once the program has ended, whatever it left running in its group
// is killed; at the timeout the whole group is.

struct ToolResult {
    int status = -1;     // exit code, 128 + the signal that ended it, or -1: never started
    std::string out;     // standard output, at most the bound
    std::string err;     // the last errKept bytes of the error output
    std::string problem; // "" or why the run is not to be trusted: "not found", "timed out..."
};

constexpr std::size_t toolOutLimit = 16 * 1024 * 1024;
constexpr std::size_t errKept = 4096;

// Runs argv to its end or the timeout, whichever comes first. problem is "<program>: not found",
// "<program>: cannot start: <error>", "<program>: timed out after 5 s: stopped" (the group was
// sent SIGKILL), or "<program>: output over <n> bytes: the rest dropped"; empty otherwise, also
// for a non-zero status.
ToolResult RunTool(const std::vector<std::string>& argv, std::chrono::milliseconds timeout,
                   std::size_t outLimit = toolOutLimit);

// Empty when the run started, ended with status 0 and has no problem; else one line saying why:
// the problem, or "<program> failed (exit status 1): <the last line of its error output>".
std::string FailureOf(const std::vector<std::string>& argv, const ToolResult& result);

// True when program names an executable file: as given when it holds a '/', else in one of the
// folders of the PATH value (an empty entry is the current folder).
bool FoundOnPath(const std::string& program, const std::string& path);
// The same with this process's PATH (unset: "/usr/bin:/bin").
bool FoundOnPath(const std::string& program);
