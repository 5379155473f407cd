#include "Listener.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

int OpenListener(const std::string& address, int port, int backlog, std::string& error) {
    sockaddr_in where{};
    where.sin_family = AF_INET;
    if (port < 0 || port > 65535) {
        error = "no such port";
        return -1;
    }
    where.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::inet_pton(AF_INET, address.c_str(), &where.sin_addr) != 1) {
        error = "\"" + address + "\" is not an IPv4 address";
        return -1;
    }
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::strerror(errno);
        return -1;
    }
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0 ||
        ::listen(fd, backlog) != 0) {
        error = std::strerror(errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

int ListeningPort(int socket) {
    sockaddr_in where{};
    socklen_t size = sizeof where;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&where), &size) != 0) return 0;
    return ntohs(where.sin_port);
}

void KeepConnectionAlive(int socket, int idleS, int intervalS, int probes) {
    const int on = 1;
    ::setsockopt(socket, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    ::setsockopt(socket, IPPROTO_TCP, TCP_KEEPIDLE, &idleS, sizeof idleS);
    ::setsockopt(socket, IPPROTO_TCP, TCP_KEEPINTVL, &intervalS, sizeof intervalS);
    ::setsockopt(socket, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
}

int AcceptNext(int listening, StopSignal& stopping) {
    while (!stopping.requested()) {
        const int socket = ::accept4(listening, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket >= 0) return socket;
        if (stopping.requested()) break;
        if (errno != EINTR) stopping.sleepFor(50);
    }
    return -1;
}
