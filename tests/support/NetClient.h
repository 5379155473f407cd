#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

// A network client of the controller's server, reading lines that end in CR LF.
class Client {
public:
    explicit Client(int port) {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in where{};
        where.sin_family = AF_INET;
        where.sin_port = htons(static_cast<std::uint16_t>(port));
        where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected = ::connect(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) == 0;
    }
    ~Client() { ::close(fd); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    bool send(const std::string& text) {
        return ::send(fd, text.data(), text.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(text.size());
    }
    // The next line without its CR LF; nothing when the connection ended or none came in time.
    std::optional<std::string> line(std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            const auto lf = buffer.find("\r\n");
            if (lf != std::string::npos) {
                std::string l = buffer.substr(0, lf);
                buffer.erase(0, lf + 2);
                return l;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() <= 0) return std::nullopt;
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            char chunk[512];
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n <= 0) return std::nullopt;
            buffer.append(chunk, static_cast<size_t>(n));
        }
    }
    // True once the server has ended the connection (no line is pending).
    bool ended(std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return false;
        char c;
        return ::recv(fd, &c, 1, 0) <= 0; // the end, or a reset when bytes were left unread
    }

    // Ends the sending side, as a client that closes normally (FIN) does; lines still come.
    void finish() { ::shutdown(fd, SHUT_WR); }

    // Ends the connection with a reset, as a client that crashes or is pulled does.
    void reset() {
        const linger now{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &now, sizeof now);
        ::close(fd);
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0); // closed again by the destructor
    }

    bool connected = false;

private:
    int fd;
    std::string buffer;
};

// A port that was free a moment ago, for a program the test starts.
inline int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where);
    socklen_t size = sizeof where;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&where), &size);
    ::close(fd);
    return ntohs(where.sin_port);
}
