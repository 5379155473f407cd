#include "ToolRun.h"

#include "Descriptor.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
// The longest poll: the program's end is looked for at least this often.
constexpr int sliceMs = 20;

std::string ErrorText(int error) {
    char buffer[256];
    return strerror_r(error, buffer, sizeof buffer);
}

std::string SecondsText(std::chrono::milliseconds ms) {
    char text[32];
    if (ms.count() % 1000 == 0)
        std::snprintf(text, sizeof text, "%lld s", static_cast<long long>(ms.count() / 1000));
    else
        std::snprintf(text, sizeof text, "%.1f s", ms.count() / 1000.0);
    return text;
}

// A pipe whose ends are closed on exec and lie above the standard descriptors (with one of
// those closed, a new end could take its number and be closed by the child's dup2 setup).
bool MakePipe(Descriptor& readEnd, Descriptor& writeEnd) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return false;
    for (int k = 0; k < 2; ++k) {
        if (ends[k] > STDERR_FILENO) continue;
        const int moved = fcntl(ends[k], F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
        close(ends[k]);
        ends[k] = moved;
    }
    readEnd.reset(ends[0]);
    writeEnd.reset(ends[1]);
    return ends[0] >= 0 && ends[1] >= 0;
}

struct SpawnSetup {
    posix_spawnattr_t attr;
    posix_spawn_file_actions_t actions;
    SpawnSetup() {
        posix_spawnattr_init(&attr);
        posix_spawn_file_actions_init(&actions);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

// True once the child has ended; it is left unreaped, so its number (and its group's) cannot
// be given to another process while the group is killed.
bool HasEnded(pid_t child) {
    siginfo_t info{};
    while (waitid(P_PID, child, &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
        if (errno != EINTR) return true; // no such child: nothing to wait for
    }
    return info.si_pid == child;
}

int Reap(pid_t child) {
    int waitStatus = 0;
    while (waitpid(child, &waitStatus, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
    if (WIFSIGNALED(waitStatus)) return 128 + WTERMSIG(waitStatus);
    return -1;
}

} // namespace

ToolResult RunTool(const std::vector<std::string>& argv, std::chrono::milliseconds timeout,
                   std::size_t outLimit) {
    ToolResult result;
    if (argv.empty() || argv[0].empty()) {
        result.problem = "no program";
        return result;
    }
    const std::string& name = argv[0];
    Descriptor outRead, outWrite, errRead, errWrite;
    if (!MakePipe(outRead, outWrite) || !MakePipe(errRead, errWrite)) {
        result.problem = name + ": cannot start: " + ErrorText(errno);
        return result;
    }

    SpawnSetup setup;
    posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&setup.actions, outWrite.fd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&setup.actions, errWrite.fd, STDERR_FILENO);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int signal : {SIGINT, SIGTERM, SIGPIPE, SIGCHLD}) sigaddset(&defaults, signal);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&setup.attr, &defaults);
    posix_spawnattr_setsigmask(&setup.attr, &none);
    posix_spawnattr_setpgroup(&setup.attr, 0);
    posix_spawnattr_setflags(&setup.attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK |
                                              POSIX_SPAWN_SETPGROUP);
    std::vector<char*> args;
    for (const std::string& word : argv) args.push_back(const_cast<char*>(word.c_str()));
    args.push_back(nullptr);

    pid_t child = -1;
    const int error =
        posix_spawnp(&child, args[0], &setup.actions, &setup.attr, args.data(), environ);
    outWrite.reset();
    errWrite.reset();
    if (error != 0) {
        result.problem = name + (error == ENOENT ? ": not found" : ": cannot start: ") +
                         (error == ENOENT ? "" : ErrorText(error));
        return result;
    }

    const auto deadline = Clock::now() + timeout;
    bool outCut = false, timedOut = false, groupKilled = false;
    char buffer[65536];
    while (outRead.fd >= 0 || errRead.fd >= 0) {
        if (!groupKilled && HasEnded(child)) {
            // What it left behind in its group would hold the pipes open: stopped now.
            kill(-child, SIGKILL);
            groupKilled = true;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            kill(-child, SIGKILL);
            timedOut = true;
            break;
        }
        pollfd fds[2] = {{outRead.fd, POLLIN, 0}, {errRead.fd, POLLIN, 0}};
        const int ready =
            poll(fds, 2, static_cast<int>(std::min<long long>(left.count(), sliceMs)));
        if (ready < 0 && errno != EINTR) {
            kill(-child, SIGKILL);
            result.problem = name + ": cannot read its output: " + ErrorText(errno);
            break;
        }
        for (int k = 0; k < 2 && ready > 0; ++k) {
            if (fds[k].fd < 0 || fds[k].revents == 0) continue;
            const ssize_t got = read(fds[k].fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) {
                (k == 0 ? outRead : errRead).reset();
                continue;
            }
            const auto size = static_cast<std::size_t>(got);
            if (k == 0) {
                // Read on past the bound, so that the program is not held up writing.
                const std::size_t room = outLimit - std::min(outLimit, result.out.size());
                result.out.append(buffer, std::min(room, size));
                outCut = outCut || size > room;
            } else {
                result.err.append(buffer, size);
                if (result.err.size() > errKept) result.err.erase(0, result.err.size() - errKept);
            }
        }
    }
    result.status = Reap(child);
    if (timedOut)
        result.problem = name + ": timed out after " + SecondsText(timeout) + ": stopped";
    else if (outCut && result.problem.empty())
        result.problem =
            name + ": output over " + std::to_string(outLimit) + " bytes: the rest dropped";
    return result;
}

std::string FailureOf(const std::vector<std::string>& argv, const ToolResult& result) {
    if (!result.problem.empty()) return result.problem;
    if (result.status == 0) return {};
    const std::string name = argv.empty() ? "the program" : argv[0];
    std::string line = result.err;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    line = line.substr(line.find_last_of('\n') + 1);
    std::string text = name + " failed (";
    text += result.status > 128 ? "signal " + std::to_string(result.status - 128)
                                : "exit status " + std::to_string(result.status);
    return text + ")" + (line.empty() ? "" : ": " + line);
}

bool FoundOnPath(const std::string& program, const std::string& path) {
    const auto executable = [](const std::string& file) {
        struct stat info {};
        return stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
               access(file.c_str(), X_OK) == 0;
    };
    if (program.empty()) return false;
    if (program.find('/') != std::string::npos) return executable(program);
    std::size_t begin = 0;
    while (true) {
        const std::size_t end = path.find(':', begin);
        const std::string folder = path.substr(begin, end - begin);
        if (executable((folder.empty() ? "." : folder) + "/" + program)) return true;
        if (end == std::string::npos) return false;
        begin = end + 1;
    }
}

bool FoundOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    return FoundOnPath(program, path ? path : "/usr/bin:/bin");
}
