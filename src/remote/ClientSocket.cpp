#include "ClientSocket.h"

#include "LineReader.h"
#include "Utils.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

ClientSocket::ClientSocket(int socket, ServerTarget& vcr) : svcr(vcr), cs(socket) {
    timeval timeout{};
    timeout.tv_sec = sendTimeoutMs / 1000;
    timeout.tv_usec = (sendTimeoutMs % 1000) * 1000;
    ::setsockopt(cs, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
}

ClientSocket::~ClientSocket() {
    if (cs >= 0) ::close(cs);
}

void ClientSocket::run() {
    ShowStat("Client Connection Accepted!");
    const int socket = cs;
    LineReader csin([socket](char* buffer, std::size_t size) {
        return static_cast<long>(::recv(socket, buffer, size, 0));
    });
    Send("OK");
    a = true;
    while (a) {
        const LineReader::Result result = csin.next(str);
        if (result == LineReader::Result::Error) {
            Utils::OutLine("Server ReadLine I/O Error");
            break;
        }
        if (result == LineReader::Result::TooLong) {
            ShowStat("Client Line Too Long");
            break;
        }
        if (result == LineReader::Result::End) {
            ShowStat("Null Close");
            break;
        }
        ShowStat("Client Command: " + str);
        if (str.empty()) {
            ShowStat("Len=0 Close");
            break;
        }
        if (str == "Close" || str == "KILL") {
            ShowStat("Client Closed Connection!");
            break;
        }
        try {
            svcr.ParseNetCommand(str);
        } catch (...) {
            // A command that fails answers nothing, like one that is not understood.
        }
    }
    a = false;
    Close(false);
    Utils::OutLine("Server Loop Close");
}

void ClientSocket::Send(const std::string& line) {
    const std::string bytes = line + "\r\n";
    std::lock_guard lock(sendMutex);
    if (cs < 0) return;
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(cs, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // The client is gone or takes nothing: the connection ends.
            ::shutdown(cs, SHUT_RDWR);
            return;
        }
        sent += static_cast<std::size_t>(n);
    }
}

void ClientSocket::Close(bool) {
    {
        std::lock_guard lock(sendMutex);
        if (cs >= 0) {
            ::close(cs);
            cs = -1;
        }
    }
    svcr.CommandB5();
}

void ClientSocket::shutdown() {
    std::lock_guard lock(sendMutex);
    if (cs >= 0) ::shutdown(cs, SHUT_RDWR);
}
