// The command server seen from real client sockets: a connection served over a socket pair, then
// the listening server on the loopback address with clients coming, going and crowding in.
#include "ClientSocket.h"
#include "ClientWriter.h"
#include "NetServer.h"
#include "RecordingServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <random>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using Lines = std::vector<std::string>;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The client's end of a connection. Every wait on it gives up after 10 s, so no test hangs.
class Peer {
public:
    explicit Peer(int fd) : fd(fd) {}
    Peer(Peer&& other) noexcept : fd(other.fd), ended(other.ended) { other.fd = -1; }
    ~Peer() { close(); }

    static Peer connectTo(int port) {
        sockaddr_in where{};
        where.sin_family = AF_INET;
        where.sin_port = htons(static_cast<std::uint16_t>(port));
        where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        Peer peer(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (::connect(peer.fd, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0)
            peer.close();
        return peer;
    }

    // False when the connection refused the bytes.
    bool write(const std::string& bytes) {
        for (std::size_t sent = 0; sent < bytes.size();) {
            if (!ready(POLLOUT)) return false;
            const ssize_t n =
                ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (n <= 0) return false;
            sent += static_cast<std::size_t>(n);
        }
        return true;
    }
    // Waits for the connection to be readable (or writable, with POLLOUT).
    bool ready(short events, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        const auto deadline = Clock::now() + limit;
        while (fd >= 0 && Clock::now() < deadline) {
            pollfd p{fd, events, 0};
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (::poll(&p, 1, static_cast<int>(left.count()) + 1) > 0) return true;
        }
        return false;
    }
    // Reads until count bytes came or the connection ended (a close or a reset).
    std::string read(std::size_t count = SIZE_MAX) {
        std::string got;
        char buffer[65536];
        while (got.size() < count && !ended && ready(POLLIN)) {
            const ssize_t n = ::recv(fd, buffer, std::min(sizeof buffer, count - got.size()), 0);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0)
                ended = true;
            else
                got.append(buffer, static_cast<std::size_t>(n));
        }
        return got;
    }
    // What one receive gives once there is something to read.
    std::string readSome() {
        char buffer[65536];
        ssize_t n = -1;
        while (!ended && ready(POLLIN) && (n = ::recv(fd, buffer, sizeof buffer, 0)) < 0 &&
               errno == EINTR) {
        }
        if (n <= 0) ended = true;
        return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : "";
    }
    void shutdownWrite() { ::shutdown(fd, SHUT_WR); }
    void close() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }

    int fd;
    bool ended = false; // the other end closed (or reset) the connection
};

// A connection served on a thread of its own over a socket pair; the thread is ended and
// joined however the test leaves.
struct Served {
    explicit Served(RecordingServer& target) : Served(target, pair()) {}
    ~Served() {
        connection->shutdown();
        if (thread.joinable()) thread.join();
    }
    void join() { thread.join(); }

    std::unique_ptr<ClientSocket> connection;
    Peer peer;
    std::thread thread;

private:
    Served(RecordingServer& target, std::array<int, 2> fds)
        : connection(std::make_unique<ClientSocket>(fds[0], target)), peer(fds[1]),
          thread([this] { connection->run(); }) {}
    static std::array<int, 2> pair() {
        std::array<int, 2> fds{-1, -1};
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds.data()), 0);
        return fds;
    }
};

const std::string accepted = "Client Connection Accepted!";
const std::string awaiting = "Awaiting Client Connection";

} // namespace

TEST(ClientSocket, GreetsRunsEachLineAndEndsWhereTheClientSays) {
    struct Case {
        const char* name;
        std::string sent;
        bool endStream; // the client closes its sending side after the bytes
        Lines commands;
        Lines lastStatuses; // after "Client Connection Accepted!" and the commands' texts
        Lines waits = {};   // Wait lines, shown before the commands and kept by the connection
        std::chrono::milliseconds atLeast{}; // from the bytes sent to the connection's end
    };
    const Case cases[] = {
        {"Close",
         "Play\r\nClose\r\nStop\r\n",
         false,
         {"Play"},
         {"Client Command: Close", "Client Closed Connection!"}},
        {"KILL", "KILL\nPlay\n", false, {}, {"Client Command: KILL", "Client Closed Connection!"}},
        {"lower case is a command",
         "close\r\nkill\rPlay\nKILL\r\n",
         false,
         {"close", "kill", "Play"},
         {"Client Command: KILL", "Client Closed Connection!"}},
        {"empty line", "Stop\r\rRewind\n", false, {"Stop"}, {"Client Command: ", "Len=0 Close"}},
        {"end of stream inside a line", "Pause\nRecord", true, {"Pause"}, {"Null Close"}},
        {"nothing sent", "", true, {}, {"Null Close"}},
        {"too long", "Play\n" + std::string(5000, 'A'), false, {"Play"}, {"Client Line Too Long"}},
        {"Wait", "Wait1\n\n", false, {}, {"Client Command: ", "Len=0 Close"}, {"Wait1"}, 1s},
        {"Wait, client gone", "Wait20\nPlay\n", true, {"Play"}, {"Null Close"}, {"Wait20"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingServer target;
        Served served(target);
        ASSERT_EQ(served.peer.read(4), "OK\r\n");
        const auto start = Clock::now();
        ASSERT_TRUE(served.peer.write(c.sent));
        if (c.endStream) served.peer.shutdownWrite();
        // Nothing answers a command: after the greeting only the end of the connection comes.
        EXPECT_EQ(served.peer.read(), "");
        EXPECT_TRUE(served.peer.ended);
        served.join();
        EXPECT_GE(Clock::now() - start, c.atLeast);

        Lines statuses{accepted};
        for (const std::string& wait : c.waits) statuses.push_back("Client Command: " + wait);
        for (const std::string& command : c.commands)
            statuses.push_back("Client Command: " + command);
        statuses.insert(statuses.end(), c.lastStatuses.begin(), c.lastStatuses.end());
        const RecordingServer::Record record = target.record();
        EXPECT_EQ(record.statuses, statuses);
        EXPECT_EQ(record.commands, c.commands);
        EXPECT_EQ(record.closings, 1);
    }
}

TEST(ClientSocket, LinesSentFromTwoThreadsArriveWhole) {
    RecordingServer target;
    Served served(target);
    ASSERT_EQ(served.peer.read(4), "OK\r\n");
    constexpr int perThread = 2000;
    const auto text = [](int thread, int i) {
        std::string line(1, static_cast<char>('A' + thread));
        line.append(std::to_string(i)).append(1, ':');
        return line.append(static_cast<size_t>(300 + i % 50), static_cast<char>('a' + thread));
    };
    std::vector<std::thread> senders;
    for (int t = 0; t < 2; ++t)
        senders.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i) served.connection->Send(text(t, i));
        });
    // The reader keeps up: a client that takes nothing is given up after a while.
    std::string stream;
    std::size_t lines = 0;
    while (lines < 2 * perThread && !served.peer.ended) {
        const std::string got = served.peer.readSome();
        lines += static_cast<std::size_t>(std::count(got.begin(), got.end(), '\n'));
        stream += got;
    }
    for (std::thread& sender : senders) sender.join();

    int next[2] = {0, 0}; // each thread's lines arrive in the order it sent them
    for (std::size_t at = 0; at < stream.size();) {
        const std::size_t end = stream.find("\r\n", at);
        ASSERT_NE(end, std::string::npos) << "a line without its end";
        const std::string line = stream.substr(at, end - at);
        at = end + 2;
        const int t = line[0] - 'A';
        ASSERT_TRUE(t == 0 || t == 1) << line.substr(0, 40);
        ASSERT_LT(next[t], perThread);
        ASSERT_EQ(line, text(t, next[t])) << "line " << next[t] << " of thread " << t;
        ++next[t];
    }
    EXPECT_EQ(next[0], perThread);
    EXPECT_EQ(next[1], perThread);
}

TEST(ClientSocket, AClientThatTakesNothingIsDroppedAndNoSenderWaitsForIt) {
    struct Case {
        const char* name;
        std::size_t bytes; // sent at once, more than the connection holds
        std::chrono::milliseconds atLeast;
        std::string why;
    };
    const auto closed = [](const std::string& what) {
        return "Client " + what + ": connection closed (a client must read what the server sends)";
    };
    const Case cases[] = {
        {"nothing taken", 1 << 20, std::chrono::milliseconds(ClientWriter::dropAfterMs),
         closed("took nothing for 10 s")},
        {"too far behind", 4 << 20, 0s, closed("fell 2 MB behind")},
        // With its line end, one byte more than the queue holds.
        {"one byte over the limit", ClientWriter::maxQueued - 1, 0s, closed("fell 2 MB behind")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingServer target;
        Served served(target);
        ASSERT_EQ(served.peer.read(4), "OK\r\n");
        const auto start = Clock::now();
        served.connection->Send(std::string(c.bytes, 'x'));
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500)) << "a sender waited";
        // The connection is ended, so its reading thread finishes too.
        const auto ended = [](const auto& r) { return r.closings == 1; };
        EXPECT_TRUE(target.waitFor(ended) || target.waitFor(ended));
        EXPECT_GE(Clock::now() - start, c.atLeast);
        EXPECT_EQ(target.record().statuses, (Lines{accepted, c.why, "Null Close"}));
    }
}

// The limit is on what waits unsent, not on what ever went through: a client that keeps reading
// is served however much is sent to it, every byte in order.
TEST(ClientWriter, AClientThatReadsEverythingIsNeverDropped) {
    struct Case {
        const char* name;
        std::size_t total;  // queued in all
        std::size_t chunk;  // queued at a time
        std::size_t behind; // the most the client lets wait before it reads
    };
    constexpr std::size_t limit = ClientWriter::maxQueued;
    const Case cases[] = {
        {"the limit at once", limit, limit, limit},
        {"four times the limit in chunks", 4 * limit, 64 << 10, 1 << 20},
        {"three times the limit in odd chunks", 3 * limit + 12345, 100003, limit / 2},
    };
    std::mt19937 random(35);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string stream(c.total, '\0');
        for (char& byte : stream) byte = static_cast<char>(random());
        std::array<int, 2> fds{-1, -1};
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds.data()), 0);
        Peer peer(fds[1]);
        std::mutex mutex;
        Lines drops;
        std::string got;
        {
            ClientWriter writer(
                fds[0],
                [&](const std::string& why) {
                    std::lock_guard lock(mutex);
                    drops.push_back(why);
                },
                [] {});
            for (std::size_t queued = 0; queued < c.total && !peer.ended;) {
                const std::size_t n = std::min(c.chunk, c.total - queued);
                writer.queue(stream.substr(queued, n));
                queued += n;
                const std::size_t due = queued > c.behind ? queued - c.behind : 0;
                if (got.size() < due) got += peer.read(due - got.size());
            }
            got += peer.read(c.total - got.size());
            EXPECT_FALSE(writer.broken());
        } // the writer's thread is joined here
        ::close(fds[0]);
        std::lock_guard lock(mutex);
        EXPECT_EQ(drops, Lines{});
        ASSERT_EQ(got.size(), c.total);
        const auto differs = std::mismatch(got.begin(), got.end(), stream.begin()).first;
        EXPECT_EQ(differs - got.begin(), static_cast<std::ptrdiff_t>(c.total))
            << "a byte out of place";
    }
}

// A peer gone without a word answers no keepalive probe: the read then fails, within a minute.
TEST(ClientSocket, ATcpConnectionIsProbedSoADeadPeerIsFoundWithinAMinute) {
    const int accepted = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    RecordingServer target;
    const ClientSocket connection(accepted, target);
    const auto option = [accepted](int level, int name) {
        int value = -1;
        socklen_t length = sizeof value;
        ::getsockopt(accepted, level, name, &value, &length);
        return value;
    };
    EXPECT_EQ(option(SOL_SOCKET, SO_KEEPALIVE), 1); // on any TCP socket, connected or not
    EXPECT_LE(option(IPPROTO_TCP, TCP_KEEPIDLE) +
                  option(IPPROTO_TCP, TCP_KEEPINTVL) * option(IPPROTO_TCP, TCP_KEEPCNT),
              60);
}

class Server : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server->open("127.0.0.1", 0));
        ASSERT_GT(server->port(), 0);
        server->start();
    }
    // Waits until the server has said n times that it awaits a client.
    bool awaits(long n) {
        return target.waitFor([n](const auto& r) { return r.count(awaiting) >= n; });
    }
    Peer connect() { return Peer::connectTo(server->port()); }

    // Declared first: the server's threads use it until the server is gone.
    RecordingServer target;
    std::unique_ptr<NetServer> server = std::make_unique<NetServer>(target);
};

TEST_F(Server, OpensOnlyAFreeIPv4AddressAndPort) {
    struct Case {
        const char* address;
        int port;
    };
    const Case cases[] = {
        {"127.0.0.1", server->port()},
        {"0.0.0.0", server->port()},
        {"nohost", 0},
        {"", 0},
        {"::1", 0},
        {"127.0.0.1 ", 0},
        {"256.0.0.1", 0},
        {"127.0.0.1", -1},
        {"127.0.0.1", 65536},
    };
    for (const Case& c : cases) {
        NetServer other(target);
        EXPECT_FALSE(other.open(c.address, c.port)) << '"' << c.address << "\" " << c.port;
    }
    Peer client = connect();
    EXPECT_EQ(client.read(4), "OK\r\n");
}

TEST_F(Server, ASecondClientIsToldBusyWhileTheFirstIsServed) {
    Peer first = connect();
    ASSERT_EQ(first.read(4), "OK\r\n");
    Peer second = connect();
    EXPECT_EQ(second.read(), "BUSY\r\n");
    EXPECT_TRUE(second.ended);

    ASSERT_TRUE(first.write("Play\r\n"));
    ASSERT_TRUE(target.waitFor([](const auto& r) { return r.commands == Lines{"Play"}; }));
    const RecordingServer::Record record = target.record();
    ASSERT_EQ(record.clients.size(), 1u) << "only the client served answers reports";
    record.clients[0]->Send("TC 01:00:00:00");
    EXPECT_EQ(first.read(16), "TC 01:00:00:00\r\n");

    ASSERT_TRUE(first.write("KILL\r\n"));
    EXPECT_EQ(first.read(), "");
    EXPECT_TRUE(first.ended);
    // The server has let the first client go: the next one is served.
    Peer third = connect();
    EXPECT_EQ(third.read(4), "OK\r\n");
    EXPECT_EQ(target.record().statuses,
              (Lines{awaiting, accepted, "Client Command: Play", "Client Command: KILL",
                     "Client Closed Connection!", awaiting, accepted}));
}

TEST_F(Server, ServesClientAfterClientAsEachLeaves) {
    constexpr int clients = 200;
    // Each leaves by closing its end, and the next comes at once: the server is to notice the
    // leave rather than call the newcomer busy.
    for (int i = 0; i < clients; ++i) {
        Peer client = connect();
        ASSERT_EQ(client.read(4), "OK\r\n") << "client " << i;
    }
    Peer last = connect();
    ASSERT_EQ(last.read(4), "OK\r\n");
    ASSERT_TRUE(last.write("Play\n"));
    EXPECT_TRUE(target.waitFor([](const auto& r) { return r.commands == Lines{"Play"}; }));
    EXPECT_EQ(target.record().closings, clients);
}

TEST_F(Server, RandomBytesEndOnlyTheClientThatSentThem) {
    std::mt19937 random(20240611);
    std::string noise(1 << 20, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    {
        Peer client = connect();
        ASSERT_EQ(client.read(4), "OK\r\n");
        client.write(noise); // refused part way once the server has ended the connection
        EXPECT_EQ(client.read(), "");
        EXPECT_TRUE(client.ended);
    }
    ASSERT_TRUE(awaits(2));
    for (const std::string& line : target.record().commands) {
        EXPECT_FALSE(line.empty());
        EXPECT_LE(line.size(), 4096u);
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
    }
    Peer next = connect();
    ASSERT_EQ(next.read(4), "OK\r\n");
    ASSERT_TRUE(next.write("Stop\n"));
    EXPECT_TRUE(target.waitFor(
        [](const auto& r) { return !r.commands.empty() && r.commands.back() == "Stop"; }));
}

TEST_F(Server, ClosingTheServerEndsAnIdleClientPromptly) {
    Peer client = connect();
    ASSERT_EQ(client.read(4), "OK\r\n");
    const auto start = Clock::now();
    server.reset();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(client.read(), "");
    EXPECT_TRUE(client.ended);
    const RecordingServer::Record record = target.record();
    EXPECT_EQ(record.statuses, (Lines{awaiting, accepted, "Null Close"}));
    EXPECT_EQ(record.closings, 1);
}
