#include "RecorderProcess.h"

#include "Descriptor.h"
#include "ProgramLookup.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace {

using namespace std::chrono_literals;

std::string ErrorText(int error) {
    char buffer[256];
    return strerror_r(error, buffer, sizeof buffer);
}

long long NsOf(RecorderProcess::Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

// Moves fd above the standard descriptors (this process may have been started with one of them
// closed), so that setting up the program's own does not close it. Close-on-exec either way.
bool AboveStandard(Descriptor& d) {
    if (d.fd > STDERR_FILENO) return true;
    Descriptor moved(fcntl(d.fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1));
    if (moved.fd < 0) return false;
    close(d.fd);
    d.fd = moved.release();
    return true;
}

// The status as the callers know it: the exit code, or 128 plus the signal.
int StatusOf(int waitStatus) {
    if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
    if (WIFSIGNALED(waitStatus)) return 128 + WTERMSIG(waitStatus);
    return -1;
}

// All the guard and the program need, made before the fork: after it only async-signal-safe
// calls are made (no allocation, no locks), as another thread may have held any lock then.
struct Launch {
    std::vector<const char*> paths; // where the program is looked for, in turn; null at the end
    std::vector<char*> args;        // null at the end
    char** envp = nullptr;
    int out = -1;    // the output file
    int report = -1; // write end of the pipe that tells the exec's error; closed by a good exec
    int link = -1;   // the guard's end of the link with the owner
    std::array<int, 3> kept{}; // the three above, in order
    long maxFd = 0;
    long long orphanKillNs = 0;
};

long long NowNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

void Disposition(int sig, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaction(sig, &action, nullptr);
}

void WriteInt(int fd, int value) {
    while (send(fd, &value, sizeof value, MSG_NOSIGNAL) < 0 && errno == EINTR) {
    }
}

void WriteErrno(int fd, int error) {
    while (write(fd, &error, sizeof error) < 0 && errno == EINTR) {
    }
}

// Every descriptor but the standard ones and the kept.
void CloseOthers(const Launch& l) {
    unsigned from = STDERR_FILENO + 1;
    for (int upTo : l.kept) {
        if (upTo > static_cast<int>(from) && close_range(from, upTo - 1, 0) != 0)
            for (int fd = static_cast<int>(from); fd < upTo; ++fd) close(fd);
        from = static_cast<unsigned>(upTo) + 1;
    }
    if (close_range(from, ~0U, 0) != 0)
        for (long fd = from; fd < l.maxFd; ++fd) close(static_cast<int>(fd));
}

// In the program's process: its signals as by default (the guard ignores some) with none
// blocked, its standard descriptors, then the program, tried at each path as execvp does.
[[noreturn]] void Program(const Launch& l) {
    for (int sig : {SIGINT, SIGTERM, SIGPIPE}) Disposition(sig, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    int error = 0;
    const int in = open("/dev/null", O_RDONLY);
    if (in < 0 || dup2(in, STDIN_FILENO) < 0 || dup2(l.out, STDOUT_FILENO) < 0 ||
        dup2(l.out, STDERR_FILENO) < 0)
        error = errno;
    if (in > STDERR_FILENO) close(in);
    if (error == 0) {
        bool denied = false, other = false;
        for (size_t i = 0; l.paths[i] != nullptr && !other; ++i) {
            execve(l.paths[i], l.args.data(), l.envp);
            error = errno;
            denied = denied || error == EACCES;
            other = error != EACCES && error != ENOENT && error != ENOTDIR && error != ESTALE &&
                    error != ENODEV && error != ETIMEDOUT;
        }
        if (denied && !other) error = EACCES;
    }
    WriteErrno(l.report, error);
    _exit(127);
}

// The guard: leads the program's process group, reaps the program and whatever of the group is
// left to it (it is their subreaper), tells the owner the program's status and ends with it once
// the group is empty. When the owner is gone (the link reads its end) it sends the group SIGINT
// and, if anything still runs orphanKillAfter later, SIGKILL, which ends the guard too.
[[noreturn]] void Guard(const Launch& l) {
    setpgid(0, 0);
    // What the owner sends the group is for the program.
    for (int sig : {SIGINT, SIGTERM, SIGPIPE}) Disposition(sig, SIG_IGN);
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    // Nothing of the owner's is held here: another guard's link least of all.
    CloseOthers(l);
    const pid_t program = _Fork();
    if (program == 0) Program(l);
    if (program < 0) {
        WriteErrno(l.report, errno);
        _exit(127);
    }
    close(l.report);
    close(l.out);

    bool programEnded = false;
    int programStatus = -1;
    long long killAt = -1;
    pollfd owner{l.link, POLLIN, 0};
    const auto reaped = [&](pid_t got, int waitStatus) {
        if (got != program) return;
        programEnded = true;
        programStatus = StatusOf(waitStatus);
        WriteInt(l.link, programStatus);
    };
    for (;;) {
        int waitStatus = 0;
        pid_t got;
        while ((got = waitpid(-1, &waitStatus, WNOHANG)) > 0) reaped(got, waitStatus);
        bool groupGone = got < 0 && errno == ECHILD;
        if (got == 0) {
            // Children, but in the group? (Some may have moved to groups of their own.)
            got = waitpid(0, &waitStatus, WNOHANG);
            groupGone = got < 0 && errno == ECHILD;
            if (got > 0) reaped(got, waitStatus);
        }
        if (programEnded && groupGone) _exit(programStatus);
        if (killAt >= 0 && NowNs() >= killAt) kill(0, SIGKILL);
        if (poll(&owner, 1, 10) > 0 && owner.revents != 0) {
            char byte;
            const ssize_t n = read(l.link, &byte, 1);
            if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) {
                kill(0, SIGINT);
                killAt = NowNs() + l.orphanKillNs;
                owner.fd = -1; // no more to read
            }
        }
    }
}

} // namespace

RecorderProcess::~RecorderProcess() {
    if (pid.load() > 0 && !reaped.load()) {
        kill(-pid.load(), SIGKILL);
        int waitStatus = 0;
        while (waitpid(pid.load(), &waitStatus, 0) < 0 && errno == EINTR) {
        }
    }
    if (link >= 0) close(link);
}

std::string RecorderProcess::start(const std::vector<std::string>& argv,
                                   const std::string& outputPath) {
    if (argv.empty() || argv[0].empty()) return "no program";
    if (pid.load() > 0) return "already started";
    Descriptor out(open(outputPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    if (out.fd < 0 || !AboveStandard(out))
        return "cannot open " + outputPath + ": " + ErrorText(errno);
    int pipeEnds[2], linkEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) return ErrorText(errno);
    Descriptor reportRead(pipeEnds[0]), reportWrite(pipeEnds[1]);
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, linkEnds) != 0) return ErrorText(errno);
    Descriptor ownerEnd(linkEnds[0]), guardEnd(linkEnds[1]);
    if (!AboveStandard(reportRead) || !AboveStandard(reportWrite) || !AboveStandard(ownerEnd) ||
        !AboveStandard(guardEnd))
        return ErrorText(errno);

    const std::vector<std::string> paths = ProgramPaths(argv[0], std::getenv("PATH"));
    Launch launch;
    for (const std::string& path : paths) launch.paths.push_back(path.c_str());
    launch.paths.push_back(nullptr);
    for (const std::string& word : argv) launch.args.push_back(const_cast<char*>(word.c_str()));
    launch.args.push_back(nullptr);
    launch.envp = environ;
    launch.out = out.fd;
    launch.report = reportWrite.fd;
    launch.link = guardEnd.fd;
    launch.kept = {out.fd, reportWrite.fd, guardEnd.fd};
    std::sort(launch.kept.begin(), launch.kept.end());
    launch.maxFd = sysconf(_SC_OPEN_MAX);
    launch.orphanKillNs = std::chrono::nanoseconds(orphanKillAfter).count();

    const pid_t guard = fork();
    if (guard == 0) Guard(launch);
    if (guard < 0) return ErrorText(errno);
    // Also here, so that the group exists whichever process runs first.
    setpgid(guard, guard);
    reportWrite.reset();
    guardEnd.reset();
    out.reset();
    // The pipe's end comes when the program is running (its copy closed by the exec) or with
    // the exec's error.
    int error = 0;
    ssize_t n;
    while ((n = read(reportRead.fd, &error, sizeof error)) < 0 && errno == EINTR) {
    }
    if (n == sizeof error) {
        int waitStatus = 0;
        while (waitpid(guard, &waitStatus, 0) < 0 && errno == EINTR) {
        }
        return ErrorText(error);
    }
    began = Clock::now();
    link = ownerEnd.release();
    pid.store(guard);
    return {};
}

void RecorderProcess::ended(int waitStatus) {
    // The guard tells the program's status once it has reaped it; a guard that did not (killed
    // with the group) ended as the program did.
    int told = -1;
    if (recv(link, &told, sizeof told, MSG_DONTWAIT) == sizeof told)
        status = told;
    else
        status = StatusOf(waitStatus);
    reaped.store(true);
}

std::optional<int> RecorderProcess::exited() {
    // Reaping and interrupt()'s kill take turns: a pid once reaped may name another process.
    std::lock_guard lock(reapMutex);
    if (status || pid.load() <= 0) return status;
    int waitStatus = 0;
    pid_t got;
    while ((got = waitpid(pid.load(), &waitStatus, WNOHANG)) < 0 && errno == EINTR) {
    }
    if (got == pid.load()) {
        ended(waitStatus);
    } else if (got < 0) {
        // Reaped elsewhere (no child of that number any more): it has ended, how is unknown.
        status = -1;
        reaped.store(true);
    }
    return status;
}

void RecorderProcess::signalGroup(int sig) {
    std::lock_guard lock(reapMutex);
    if (!reaped.load()) kill(-pid.load(), sig);
}

void RecorderProcess::interrupt() {
    std::lock_guard lock(reapMutex);
    const pid_t child = pid.load();
    if (child <= 0 || reaped.load() || interruptSent.exchange(true)) return;
    interruptNs.store(NsOf(Clock::now()));
    kill(-child, SIGINT);
}

RecorderProcess::Clock::time_point RecorderProcess::interruptedAt() const {
    return Clock::time_point(
        std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(interruptNs.load())));
}

int RecorderProcess::stop(const Log& log) {
    const auto say = [&](const std::string& text) {
        if (log) log(text);
    };
    if (pid.load() <= 0) return -1;
    // Ended by itself: nothing to send. A SIGINT from interrupt() is logged here, also when the
    // program has already ended on it.
    if (!interruptSent.load() && exited()) return *status;
    if (!interruptSent.exchange(true)) {
        interruptNs.store(NsOf(Clock::now()));
        signalGroup(SIGINT);
    }
    say("recorder: SIGINT sent");
    const auto waitUntil = [&](Clock::time_point deadline) {
        while (!exited() && Clock::now() < deadline) std::this_thread::sleep_for(5ms);
        return status.has_value();
    };
    // interrupt() on another thread may not have noted its moment yet.
    const auto sentAt = interruptNs.load() != 0 ? interruptedAt() : Clock::now();
    if (waitUntil(sentAt + termAfter)) return *status;
    signalGroup(SIGTERM);
    say("recorder still running after " + std::to_string(termAfter.count()) + " s: SIGTERM sent");
    if (waitUntil(Clock::now() + killAfter)) return *status;
    signalGroup(SIGKILL);
    say("recorder still running after " + std::to_string(killAfter.count()) +
        " s more: SIGKILL sent");
    int waitStatus = 0;
    pid_t got;
    while ((got = waitpid(pid.load(), &waitStatus, 0)) < 0 && errno == EINTR) {
    }
    std::lock_guard lock(reapMutex);
    if (got == pid.load())
        ended(waitStatus);
    else if (!status) {
        status = -1;
        reaped.store(true);
    }
    return status.value_or(-1);
}
