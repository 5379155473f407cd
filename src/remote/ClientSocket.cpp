#include "ClientSocket.h"

#include "CommandLanguage.h"
#include "LineReader.h"
#include "Listener.h"
#include "Utils.h"

#include <sys/socket.h>
#include <unistd.h>

ClientSocket::ClientSocket(int socket, ServerTarget& vcr) : svcr(vcr), cs(socket) {
    // Not every socket is TCP (tests serve a socket pair).
    KeepConnectionAlive(cs, keepIdleS, keepIntervalS, keepProbes);
    writer = std::make_unique<ClientWriter>(
        cs,
        [this](const std::string& why) {
            Utils::OutLine(why);
            ShowStat(why);
        },
        [this] { gone.request(); });
}

ClientSocket::~ClientSocket() {
    writer->finish();
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
        if (result == LineReader::Result::Unended && !closing)
            Utils::OutLine("Client closed the connection in the middle of a line: the line was "
                           "not run");
        if (result == LineReader::Result::End || result == LineReader::Result::Unended) {
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
        if (str.rfind("Wait", 0) == 0) {
            if (const auto seconds = WaitSeconds(str.substr(4))) {
                gone.sleepFor(*seconds * 1000);
                continue;
            }
        }
        try {
            svcr.ParseNetCommand(str);
        } catch (...) {
            // A command that fails answers nothing, like one that is not understood.
        }
    }
    a = false;
    gone.request();
    Close(false);
    Utils::OutLine("Server Loop Close");
}

void ClientSocket::Send(const std::string& line) {
    writer->queue(line + "\r\n");
}

void ClientSocket::Close(bool) {
    writer->finish(); // what is queued goes out first, briefly
    {
        std::lock_guard lock(socketMutex);
        if (cs >= 0) {
            ::close(cs);
            cs = -1;
        }
    }
    svcr.CommandB5();
}

void ClientSocket::shutdown() {
    closing = true;
    std::lock_guard lock(socketMutex);
    if (cs >= 0) ::shutdown(cs, SHUT_RDWR);
}
