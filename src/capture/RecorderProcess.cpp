#include "RecorderProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

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

// The spawn's attributes and file actions, released whatever happens.
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

} // namespace

RecorderProcess::~RecorderProcess() {
    if (pid.load() <= 0 || reaped.load()) return;
    kill(pid.load(), SIGKILL);
    int waitStatus = 0;
    while (waitpid(pid.load(), &waitStatus, 0) < 0 && errno == EINTR) {
    }
}

std::string RecorderProcess::start(const std::vector<std::string>& argv,
                                   const std::string& outputPath) {
    if (argv.empty() || argv[0].empty()) return "no program";
    if (pid.load() > 0) return "already started";
    int out = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (out < 0) return "cannot open " + outputPath + ": " + ErrorText(errno);
    if (out <= STDERR_FILENO) {
        // Started with a standard descriptor closed: moved above them, so that setting up the
        // child's standard input does not close the file its output goes to.
        const int moved = fcntl(out, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
        close(out);
        if (moved < 0) return "cannot open " + outputPath + ": " + ErrorText(errno);
        out = moved;
    }

    SpawnSetup setup;
    // Standard input from nothing, output and error to the file (dup2 clears close-on-exec).
    posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&setup.actions, out, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&setup.actions, out, STDERR_FILENO);
    // The signals that stop it act as they do by default, whatever this process does with them.
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGPIPE);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&setup.attr, &defaults);
    posix_spawnattr_setsigmask(&setup.attr, &none);
    posix_spawnattr_setflags(&setup.attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& word : argv) args.push_back(const_cast<char*>(word.c_str()));
    args.push_back(nullptr);

    pid_t child = -1;
    const int error =
        posix_spawnp(&child, args[0], &setup.actions, &setup.attr, args.data(), environ);
    close(out);
    if (error != 0) return ErrorText(error);
    began = Clock::now();
    pid.store(child);
    return {};
}

void RecorderProcess::ended(int waitStatus) {
    if (WIFEXITED(waitStatus))
        status = WEXITSTATUS(waitStatus);
    else if (WIFSIGNALED(waitStatus))
        status = 128 + WTERMSIG(waitStatus);
    else
        status = -1;
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

void RecorderProcess::interrupt() {
    std::lock_guard lock(reapMutex);
    const pid_t child = pid.load();
    if (child <= 0 || reaped.load() || interruptSent.exchange(true)) return;
    interruptNs.store(NsOf(Clock::now()));
    kill(child, SIGINT);
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
        kill(pid.load(), SIGINT);
    }
    say("recorder: SIGINT sent");
    const auto waitUntil = [&](Clock::time_point deadline) {
        while (!exited() && Clock::now() < deadline) std::this_thread::sleep_for(5ms);
        return status.has_value();
    };
    // interrupt() on another thread may not have noted its moment yet.
    const auto sentAt = interruptNs.load() != 0 ? interruptedAt() : Clock::now();
    if (waitUntil(sentAt + termAfter)) return *status;
    kill(pid.load(), SIGTERM);
    say("recorder still running after " + std::to_string(termAfter.count()) + " s: SIGTERM sent");
    if (waitUntil(Clock::now() + killAfter)) return *status;
    kill(pid.load(), SIGKILL);
    say("recorder still running after " + std::to_string(killAfter.count()) +
        " s more: SIGKILL sent");
    int waitStatus = 0;
    pid_t got;
    while ((got = waitpid(pid.load(), &waitStatus, 0)) < 0 && errno == EINTR) {
    }
    if (got == pid.load())
        ended(waitStatus);
    else
        exited();
    return status.value_or(-1);
}
