// A recorder for the tests: notes when it started, its arguments and each SIGINT and SIGTERM
// with the moment it came (CLOCK_MONOTONIC nanoseconds), and ends as told.
//   kolb-test-recorder [--report PATH] [--ignore-int] [--ignore-term]
//                      [--exit-after MS STATUS] [--no-output] [--output FILE]
//                      [--empty-output FILE] ARGS...
// --output writes a line to FILE, as a recorder writes its picture; --empty-output makes FILE
// and writes nothing to it.
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

int report = -1;

long long Now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

void Say(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return;
        done += static_cast<size_t>(n);
    }
}

void Note(const std::string& line) {
    if (report >= 0) Say(report, line + "\n");
}

} // namespace

int main(int argc, char** argv) {
    // Blocked before anything else, so a signal sent as soon as the process exists is taken
    // by the loop below and noted, never lost.
    sigset_t wanted;
    sigemptyset(&wanted);
    sigaddset(&wanted, SIGINT);
    sigaddset(&wanted, SIGTERM);
    sigprocmask(SIG_BLOCK, &wanted, nullptr);
    const long long started = Now();

    bool ignoreInt = false, ignoreTerm = false, output = true, plain = false;
    long long exitAfterMs = -1;
    int exitStatus = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--report" && i + 1 < argc)
            report = open(argv[++i], O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        else if (arg == "--ignore-int")
            ignoreInt = true;
        else if (arg == "--ignore-term")
            ignoreTerm = true;
        else if (arg == "--plain")
            plain = true;
        else if (arg == "--no-output")
            output = false;
        else if ((arg == "--output" || arg == "--empty-output") && i + 1 < argc) {
            const int file = open(argv[++i], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            if (arg == "--output") Say(file, "a recorded picture\n");
            if (file >= 0) close(file);
        } else if (arg == "--exit-after" && i + 2 < argc) {
            exitAfterMs = std::atoll(argv[++i]);
            exitStatus = std::atoi(argv[++i]);
        }
    }
    Note("started " + std::to_string(started));
    for (int i = 1; i < argc; ++i) Note(std::string("arg ") + argv[i]);
    if (output) {
        Say(STDOUT_FILENO, "recording\n");
        Say(STDERR_FILENO, "recording (standard error)\n");
    }

    if (plain) {
        // --plain: SIGINT and SIGTERM do what they do to a program that leaves them alone (end
        // it, unless it was started with them ignored), unnoted.
        sigprocmask(SIG_UNBLOCK, &wanted, nullptr);
        for (;;) pause();
    }

    const long long endAt = started + exitAfterMs * 1000000LL;
    for (;;) {
        int got = -1;
        if (exitAfterMs < 0) {
            if (sigwait(&wanted, &got) != 0) continue;
        } else {
            const long long left = endAt - Now();
            if (left <= 0) return exitStatus;
            const timespec wait{static_cast<time_t>(left / 1000000000LL),
                                static_cast<long>(left % 1000000000LL)};
            got = sigtimedwait(&wanted, nullptr, &wait);
            if (got < 0) continue; // timed out (checked above) or interrupted
        }
        const long long at = Now();
        if (got == SIGINT) {
            Note("sigint " + std::to_string(at));
            if (!ignoreInt) return 0;
        } else if (got == SIGTERM) {
            Note("sigterm " + std::to_string(at));
            if (!ignoreTerm) return 0;
        }
    }
}
