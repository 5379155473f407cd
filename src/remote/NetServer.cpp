#include "NetServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

NetServer::NetServer(ServerTarget& vcr) : svcr(vcr) {}

NetServer::~NetServer() {
    stopping.request();
    if (ss >= 0) ::shutdown(ss, SHUT_RDWR); // ends a waiting accept
    if (acceptThread.joinable()) acceptThread.join();
    std::shared_ptr<ClientSocket> client;
    {
        std::lock_guard lock(clientMutex);
        client = active;
    }
    if (client) client->shutdown();
    if (clientThread.joinable()) clientThread.join();
    if (ss >= 0) ::close(ss);
}

bool NetServer::open(const std::string& address, int port) {
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(static_cast<std::uint16_t>(port));
    if (port < 0 || port > 65535) {
        openError = "no such port";
        return false;
    }
    if (::inet_pton(AF_INET, address.c_str(), &where.sin_addr) != 1) {
        openError = "\"" + address + "\" is not an IPv4 address";
        return false;
    }
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        openError = std::strerror(errno);
        return false;
    }
    // A restart binds again at once, even while the last run's connections wait out their end.
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0 ||
        ::listen(fd, 8) != 0) {
        openError = std::strerror(errno);
        ::close(fd);
        return false;
    }
    socklen_t size = sizeof where;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&where), &size);
    ss = fd;
    boundPort = ntohs(where.sin_port);
    return true;
}

void NetServer::start() {
    if (ss < 0 || acceptThread.joinable()) return;
    acceptThread = std::thread([this] { acceptLoop(); });
}

void NetServer::acceptLoop() {
    svcr.ShowStat("Awaiting Client Connection");
    while (!stopping.requested()) {
        const int socket = ::accept4(ss, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0) {
            if (stopping.requested()) return;
            // Out of descriptors or a connection that went away before it was taken: go on,
            // without spinning.
            if (errno != EINTR) stopping.sleepFor(50);
            continue;
        }
        serve(socket);
    }
}

void NetServer::serve(int socket) {
    std::unique_lock lock(clientMutex);
    // A client that has just said goodbye may still be closing: the next one waits for that,
    // briefly, rather than being turned away.
    const bool free = !active || clientEnded.wait_for(lock, std::chrono::milliseconds(busyAfterMs),
                                                      [this] { return active->finished(); });
    if (!free) {
        static const char busy[] = "BUSY\r\n";
        ::send(socket, busy, sizeof busy - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
        ::close(socket);
        return;
    }
    if (clientThread.joinable()) clientThread.join(); // the last client's thread has ended
    active = std::make_shared<ClientSocket>(socket, svcr);
    svcr.setClient(active);
    clientThread = std::thread([this, client = active] {
        client->run();
        if (!stopping.requested()) svcr.ShowStat("Awaiting Client Connection");
        {
            std::lock_guard lock(clientMutex);
            client->ended();
        }
        clientEnded.notify_all();
    });
}
