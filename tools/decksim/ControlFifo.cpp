#include "ControlFifo.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// A line longer than this is no command; it is thrown away.
constexpr size_t longestLine = 4096;

bool isFifo(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}
} // namespace

ControlFifo::ControlFifo(std::string where) : path(std::move(where)) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISFIFO(st.st_mode)) throw NotAFifo(path + " exists and is not a named pipe");
        ::unlink(path.c_str());
    }
    if (::mkfifo(path.c_str(), 0600) != 0)
        throw std::runtime_error("cannot make the named pipe " + path + ": " +
                                 std::strerror(errno));
    // Open for writing too, so there is always a writer: no end of file between two people's
    // writes, and the open does not wait for one.
    fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const std::string why = std::strerror(errno);
        ::unlink(path.c_str());
        throw std::runtime_error("cannot open the named pipe " + path + ": " + why);
    }
}

ControlFifo::~ControlFifo() {
    running = false;
    if (reader.joinable()) reader.join();
    ::close(fd);
    if (isFifo(path)) ::unlink(path.c_str());
}

void ControlFifo::start(std::function<void(const std::string& line)> handler) {
    onLine = std::move(handler);
    reader = std::thread(&ControlFifo::run, this);
}

void ControlFifo::run() {
    std::string pending;
    while (running) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, 50);
        if (ready <= 0) continue;
        if (!(p.revents & POLLIN)) {
            // An error on the pipe: no spinning on it.
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        char buf[512];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) continue;
        pending.append(buf, static_cast<size_t>(n));
        for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            onLine(line);
        }
        if (pending.size() > longestLine) pending.clear();
    }
}
