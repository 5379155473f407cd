#include "ClientWriter.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
using Clock = std::chrono::steady_clock;
}

ClientWriter::ClientWriter(int socket, Dropped dropped, std::function<void()> left)
    : cs(socket), wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), dropped(std::move(dropped)),
      left(std::move(left)) {
    thread = std::thread([this] { run(); });
}

ClientWriter::~ClientWriter() {
    finish();
    if (wake >= 0) ::close(wake);
}

void ClientWriter::queue(const std::string& bytes) {
    {
        std::lock_guard lock(mutex);
        if (finishing || overflow) return;
        if (unsent + bytes.size() > maxQueued) {
            overflow = true;
        } else {
            queued += bytes;
            unsent += bytes.size();
        }
    }
    wakeUp();
}

void ClientWriter::finish() {
    {
        std::lock_guard lock(mutex);
        finishing = true;
    }
    wakeUp();
    if (thread.joinable()) thread.join();
}

void ClientWriter::wakeUp() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto n = ::write(wake, &one, sizeof one);
}

void ClientWriter::drop(const std::string& why) {
    isBroken = true;
    dropped(why);
    ::shutdown(cs, SHUT_RDWR);
    left();
}

void ClientWriter::run() {
    serve();
    std::lock_guard lock(mutex);
    finishing = true; // what is queued from now on is let go
    queued.clear();
}

void ClientWriter::serve() {
    std::string pending; // taken from the queue, not yet taken by the client
    auto lastTaken = Clock::now();
    std::optional<Clock::time_point> finishBy;
    bool watching = true; // the client's leave is not yet seen
    for (;;) {
        bool full = false;
        {
            std::lock_guard lock(mutex);
            if (pending.empty()) lastTaken = Clock::now(); // the client owes nothing until now
            pending += queued;
            queued.clear();
            full = overflow;
            if (finishing && !finishBy)
                finishBy = Clock::now() + std::chrono::milliseconds(finishMs);
        }
        if (full) {
            drop("Client fell " + std::to_string(maxQueued >> 20) +
                 " MB behind: connection closed (a client must read what the server sends)");
            return;
        }
        const auto now = Clock::now();
        if (finishBy && (pending.empty() || now >= *finishBy)) return;
        const auto dropAt = lastTaken + std::chrono::milliseconds(dropAfterMs);
        if (!pending.empty() && now >= dropAt && !finishBy) {
            drop("Client took nothing for " + std::to_string(dropAfterMs / 1000) +
                 " s: connection closed (a client must read what the server sends)");
            return;
        }
        int timeout = -1;
        if (!pending.empty()) {
            // While finishing, only the end of the time for finishing counts.
            const auto until = finishBy ? *finishBy : dropAt;
            timeout = static_cast<int>(std::max<long long>(
                0, std::chrono::ceil<std::chrono::milliseconds>(until - now).count()));
        }
        const short events =
            static_cast<short>((pending.empty() ? 0 : POLLOUT) | (watching ? POLLRDHUP : 0));
        pollfd fds[2] = {{cs, events, 0}, {wake, POLLIN, 0}};
        if (::poll(fds, 2, timeout) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents & POLLIN) {
            std::uint64_t count;
            [[maybe_unused]] const auto n = ::read(wake, &count, sizeof count);
        }
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
            isBroken = true;
            left(); // reset, gone, or shut down from here
            return;
        }
        if (fds[0].revents & POLLRDHUP) {
            watching = false; // it sends nothing more; what it is sent may still be read
            left();
        }
        if ((fds[0].revents & POLLOUT) && !pending.empty()) {
            const ssize_t n =
                ::send(cs, pending.data(), pending.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                pending.erase(0, static_cast<std::size_t>(n));
                lastTaken = Clock::now();
                std::lock_guard lock(mutex);
                unsent -= static_cast<std::size_t>(n);
            } else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                isBroken = true;
                left();
                return;
            }
        }
    }
}
