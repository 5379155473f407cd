#include "Process.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

Process::Process(const std::string& program, const std::vector<std::string>& args,
                 const std::string& workDir) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    std::vector<std::string> argvStore{program};
    argvStore.insert(argvStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argvStore) argv.push_back(a.data());
    argv.push_back(nullptr);
    started = std::chrono::steady_clock::now();
    pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::dup2(pipeFds[1], STDOUT_FILENO);
        if (::chdir(workDir.c_str()) != 0) ::_exit(126);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    outFd = pipeFds[0];
}

Process::~Process() {
    if (running()) {
        signal(SIGKILL);
        wait(5000);
    }
    if (outFd >= 0) ::close(outFd);
}

void Process::drain(int timeoutMs) {
    if (outFd < 0) return;
    pollfd p{outFd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) return;
    char buf[4096];
    const ssize_t n = ::read(outFd, buf, sizeof buf);
    if (n > 0) out.append(buf, static_cast<size_t>(n));
    if (n == 0) {
        ::close(outFd);
        outFd = -1;
    }
}

bool Process::running() {
    if (status != -2) return false;
    int st = 0;
    if (::waitpid(pid, &st, WNOHANG) == pid) {
        ended = std::chrono::steady_clock::now();
        status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
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
    while (outFd >= 0) drain(100);
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
