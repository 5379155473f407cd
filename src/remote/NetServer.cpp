#include "NetServer.h"

#include "Listener.h"

#include <cerrno>
#include <chrono>
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
    const int fd = OpenListener(address, port, 8, openError);
    if (fd < 0) return false;
    ss = fd;
    boundPort = ListeningPort(fd);
    return true;
}

void NetServer::start() {
    if (ss < 0 || acceptThread.joinable()) return;
    acceptThread = std::thread([this] { acceptLoop(); });
}

void NetServer::acceptLoop() {
    svcr.ShowStat("Awaiting Client Connection");
    for (int socket; (socket = AcceptNext(ss, stopping)) >= 0;) serve(socket);
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
