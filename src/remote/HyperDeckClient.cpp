#include "HyperDeckClient.h"

#include "ClientSocket.h"
#include "HyperDeckReplies.h"
#include "LineReader.h"
#include "Listener.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

HyperDeckClient::HyperDeckClient(int socket, CommandTarget& deck, HyperDeckPacer& pacer, Say say,
                                 std::function<void()> ended)
    : fd(socket), session(deck, &pacer, [this](const std::string& line) { this->say(line); }),
      say(std::move(say)), ended(std::move(ended)) {
    KeepConnectionAlive(fd, ClientSocket::keepIdleS, ClientSocket::keepIntervalS,
                        ClientSocket::keepProbes);
    writer = std::make_unique<ClientWriter>(
        fd, [this](const std::string& why) { this->say("HyperDeck: " + why); }, [] {});
}

HyperDeckClient::~HyperDeckClient() {
    shutdown();
    if (thread.joinable()) thread.join();
    writer->finish();
    ::close(fd);
}

void HyperDeckClient::start() {
    thread = std::thread([this] { run(); });
}

void HyperDeckClient::shutdown() {
    stopping = true;
    ::shutdown(fd, SHUT_RDWR);
}

long HyperDeckClient::receive(char* buffer, std::size_t size) {
    if (const int seconds = session.watchdogSeconds(); seconds > 0) {
        pollfd p{fd, POLLIN, 0};
        const int n = ::poll(&p, 1, seconds * 1000);
        if (n == 0) errno = ETIMEDOUT;
        if (n <= 0) return -1;
    }
    return static_cast<long>(::recv(fd, buffer, size, 0));
}

void HyperDeckClient::run() {
    send(hyperdeck::Banner());
    LineReader reader([this](char* buffer, std::size_t size) { return receive(buffer, size); });
    HyperDeckBlocks blocks;
    std::string line;
    for (;;) {
        const LineReader::Result result = reader.next(line);
        if (result == LineReader::Result::Error) {
            if (errno == ETIMEDOUT)
                say("HyperDeck client sent nothing for its watchdog period of " +
                    std::to_string(session.watchdogSeconds()) + " s: connection closed");
            break;
        }
        if (result == LineReader::Result::TooLong) {
            say("HyperDeck client sent a line longer than " +
                std::to_string(LineReader::maxLength) + " bytes: connection closed");
            break;
        }
        if (result == LineReader::Result::Unended && !stopping)
            say("HyperDeck client closed the connection in the middle of a line: the line was "
                "not run");
        if (result == LineReader::Result::End || result == LineReader::Result::Unended) break;
        const auto block = blocks.line(line);
        if (block.kind == HyperDeckBlocks::Kind::Pending) continue;
        // A client that is gone has its unread commands dropped: nothing moves the deck for it.
        if (stopping || writer->broken()) {
            if (!stopping) say("HyperDeck client gone with commands unread: they were dropped");
            break;
        }
        if (block.kind == HyperDeckBlocks::Kind::SyntaxError) {
            send(hyperdeck::Reply(hyperdeck::Code::SyntaxError));
            continue;
        }
        try {
            send(session.handle(block.command));
        } catch (...) {
            send(hyperdeck::Reply(hyperdeck::Code::InternalError));
        }
        if (session.quitting()) break;
    }
    writer->finish(); // what is queued goes out first, briefly
    shutdown();
    say("HyperDeck client left");
    done = true;
    ended();
}
