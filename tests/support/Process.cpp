#include "Process.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace {
void makePipe(int fds[2]) {
    if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
}
} // namespace

Process::Process(const std::string& program, const std::vector<std::string>& args,
                 const std::string& workDir)
    : Process(program, args, workDir, ProcessOptions{}) {}

Process::Process(const std::string& program, const std::vector<std::string>& args,
                 const std::string& workDir, const ProcessOptions& options) {
    int outPipe[2];
    int errPipe[2] = {-1, -1};
    int deadPipe[2] = {-1, -1};
    makePipe(outPipe);
    if (options.captureErrors) makePipe(errPipe);
    if (options.stdoutReaderGone) {
        makePipe(deadPipe);
        ::close(deadPipe[0]);
    }
    std::vector<std::string> argvStore{program};
    argvStore.insert(argvStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argvStore) argv.push_back(a.data());
    argv.push_back(nullptr);
    started = std::chrono::steady_clock::now();
    pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        // The program starts with the signal handling a shell would give it, whatever the test
        // runner has set up.
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::signal(SIGPIPE, SIG_DFL);
        ::dup2(options.stdoutReaderGone ? deadPipe[1] : outPipe[1], STDOUT_FILENO);
        if (options.captureErrors) ::dup2(errPipe[1], STDERR_FILENO);
        for (const int fd : options.closed) ::close(fd);
        if (options.gid != static_cast<gid_t>(-1) &&
            (::setgroups(0, nullptr) != 0 || ::setgid(options.gid) != 0))
            ::_exit(125);
        if (options.uid != static_cast<uid_t>(-1) && ::setuid(options.uid) != 0) ::_exit(125);
        if (::chdir(workDir.c_str()) != 0) ::_exit(126);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        for (const auto& [name, value] : options.setEnv) ::setenv(name.c_str(), value.c_str(), 1);
        for (const auto& name : options.unsetEnv) ::unsetenv(name.c_str());
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(outPipe[1]);
    outFd = outPipe[0];
    if (options.captureErrors) {
        ::close(errPipe[1]);
        errFd = errPipe[0];
    }
    if (options.stdoutReaderGone) ::close(deadPipe[1]);
}

Process::~Process() {
    if (running()) {
        signal(SIGKILL);
        wait(5000);
    }
    if (outFd >= 0) ::close(outFd);
    if (errFd >= 0) ::close(errFd);
}

void Process::drain(int timeoutMs) {
    pollfd p[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    if (outFd < 0 && errFd < 0) return;
    if (::poll(p, 2, timeoutMs) <= 0) return;
    const std::pair<int*, std::string*> streams[2] = {{&outFd, &out}, {&errFd, &err}};
    for (int i = 0; i < 2; ++i) {
        if (p[i].fd < 0 || p[i].revents == 0) continue;
        char buf[4096];
        const ssize_t n = ::read(*streams[i].first, buf, sizeof buf);
        if (n > 0) streams[i].second->append(buf, static_cast<size_t>(n));
        if (n == 0) {
            ::close(*streams[i].first);
            *streams[i].first = -1;
        }
    }
}

bool Process::running() {
    if (status != -2) return false;
    int st = 0;
    if (::waitpid(pid, &st, WNOHANG) == pid) {
        ended = std::chrono::steady_clock::now();
        status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        killedBy = WIFSIGNALED(st) ? WTERMSIG(st) : 0;
        return false;
    }
    return true;
}

int Process::wait(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (running()) {
        if (std::chrono::steady_clock::now() > deadline) {
            signal(SIGKILL);
            while (running()) ::usleep(1000);
            return -1;
        }
        drain(5);
    }
    while (outFd >= 0 || errFd >= 0) drain(100);
    return status;
}

bool Process::waitForOutput(const std::string& text, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (out.find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() > deadline || outFd < 0) return false;
        drain(10);
    }
    return true;
}

void Process::signal(int sig) {
    if (status == -2) ::kill(pid, sig);
}

const std::string& Process::output() {
    drain(0);
    return out;
}

const std::string& Process::errors() {
    drain(0);
    return err;
}

std::chrono::milliseconds Process::elapsed() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(ended - started);
}

TempDir::TempDir() {
    char tmpl[] = "/tmp/kolb-test-XXXXXX";
    if (::mkdtemp(tmpl) == nullptr) throw std::runtime_error("mkdtemp failed");
    dir = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

void TempDir::write(const std::string& name, const std::string& text) const {
    std::ofstream(file(name), std::ios::binary) << text;
}

std::string TempDir::read(const std::string& name) const {
    std::ifstream in(file(name), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool TempDir::exists(const std::string& name) const {
    return std::filesystem::exists(file(name));
}
