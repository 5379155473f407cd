#include "Pty.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

Pty::Pty() {
    char name[256] = {};
    if (::openpty(&masterFd, &slaveFd, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    path = name;
    termios tio{};
    ::tcgetattr(slaveFd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(slaveFd, TCSANOW, &tio);
    ::fcntl(masterFd, F_SETFL, ::fcntl(masterFd, F_GETFL) | O_NONBLOCK);
}

Pty::~Pty() {
    closeMaster();
    if (slaveFd >= 0) ::close(slaveFd);
}

void Pty::write(const std::vector<std::uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(masterFd, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += static_cast<size_t>(n);
        else if (errno != EINTR && errno != EAGAIN)
            throw std::runtime_error("pty write failed");
    }
}

std::vector<std::uint8_t> Pty::read(size_t want, int timeoutMs) {
    std::vector<std::uint8_t> out;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (out.size() < want) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{masterFd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        std::uint8_t buf[256];
        const ssize_t n = ::read(masterFd, buf, sizeof buf);
        if (n > 0) out.insert(out.end(), buf, buf + n);
    }
    return out;
}

void Pty::closeMaster() {
    if (masterFd >= 0) ::close(masterFd);
    masterFd = -1;
}

PtyPeer::PtyPeer(Answer a) : answer(std::move(a)), thread(&PtyPeer::run, this) {}

PtyPeer::~PtyPeer() {
    running = false;
    if (thread.joinable()) thread.join();
}

void PtyPeer::run() {
    Bytes partial;
    auto lastByte = std::chrono::steady_clock::now();
    while (running) {
        pollfd p{line.master(), POLLIN, 0};
        const int ready = ::poll(&p, 1, 5);
        const auto now = std::chrono::steady_clock::now();
        if (!partial.empty() && now - lastByte > std::chrono::milliseconds(50)) partial.clear();
        if (ready <= 0 || !(p.revents & POLLIN)) continue;
        std::uint8_t buf[256];
        const ssize_t n = ::read(line.master(), buf, sizeof buf);
        if (n <= 0) continue;
        lastByte = now;
        for (ssize_t i = 0; i < n; ++i) {
            partial.push_back(buf[i]);
            if (partial.size() < 3u + (partial[0] & 0x0Fu)) continue;
            const Bytes frame = std::move(partial);
            partial.clear();
            ++received;
            const Bytes reply = answer(frame);
            try {
                if (!reply.empty()) line.write(reply);
            } catch (const std::runtime_error&) {
                // The near end has gone; the peer keeps listening until it is ended.
            }
        }
    }
}
