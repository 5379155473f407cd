// The real kolb program with its network server and its second port, against the real
// kolb-decksim program.
#include "NetClient.h"
#include "Process.h"
#include "Pty.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <optional>
#include <random>
#include <thread>

using namespace std::chrono_literals;

namespace {

const std::string kolb = KOLB_BINARY;
const std::string decksim = DECKSIM_BINARY;

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = 10s) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

class RemoteSession : public ::testing::Test {
protected:
    void run(const std::string& settings) {
        deck = std::make_unique<Process>(
            decksim, std::vector<std::string>{"--link", "deck", "--trace", "trace.txt"},
            dir.path());
        ASSERT_TRUE(deck->waitForOutput("\n", 5000));
        dir.write("ZEMASettings.txt", "COMPort=deck\nVCRType=RS422\n" + settings);
        program = std::make_unique<Process>(kolb, std::vector<std::string>{}, dir.path());
    }
    // The deck's time as a client reads it.
    std::optional<std::string> timeFrom(Client& client) {
        if (!client.send("GetTC\n")) return std::nullopt;
        return client.line();
    }
    // A client greeted "OK" (the program needs a moment to start listening).
    std::unique_ptr<Client> greeted() {
        std::unique_ptr<Client> client;
        waitFor([&] {
            client = std::make_unique<Client>(port);
            return client->connected;
        });
        if (!client->connected || client->line() != "OK") return nullptr;
        return client;
    }

    TempDir dir;
    int port = FreePort();
    std::unique_ptr<Process> deck;
    std::unique_ptr<Process> program;
};

} // namespace

TEST_F(RemoteSession, ClientsComeAndGoAndTheProgramKeepsServingAndPolling) {
    ASSERT_NO_FATAL_FAILURE(run("NetServer=YES\nNetPort=" + std::to_string(port) + "\n"));
    auto first = greeted();
    ASSERT_NE(first, nullptr);
    const std::string log = dir.read("KOLB_Log.txt");
    EXPECT_NE(log.find("Net Server       = YES\nNet Port         = " + std::to_string(port) + "\n"),
              std::string::npos)
        << log;

    // One client at a time: another is told so and closed.
    {
        Client second(port);
        EXPECT_EQ(second.line(), "BUSY");
        EXPECT_TRUE(second.ended());
    }
    ASSERT_TRUE(first->send("Play\n"));
    const auto before = timeFrom(*first);
    ASSERT_TRUE(before.has_value());
    EXPECT_TRUE(waitFor([&] { return timeFrom(*first) > before; })) << "the deck plays";
    ASSERT_TRUE(first->send("KILL\n"));
    EXPECT_TRUE(first->ended());

    // 200 clients in a row, each greeted.
    int served = 0;
    for (int i = 0; i < 200; ++i) {
        auto c = greeted();
        if (c == nullptr) break;
        ++served;
        if (i % 2 == 0) c->send("Close\n"); // the rest just go
    }
    EXPECT_EQ(served, 200);

    // A megabyte of noise without a line end ends that client only.
    {
        auto noisy = greeted();
        ASSERT_NE(noisy, nullptr);
        std::mt19937 random(7);
        std::string noise(1 << 20, '\0');
        for (char& c : noise) c = static_cast<char>(random() % 256);
        std::erase(noise, '\n');
        std::erase(noise, '\r');
        noisy->send(noise);
        EXPECT_TRUE(noisy->ended());
    }
    auto last = greeted();
    ASSERT_NE(last, nullptr);
    const auto t1 = timeFrom(*last);
    ASSERT_TRUE(t1.has_value());
    EXPECT_TRUE(waitFor([&] { return timeFrom(*last) > t1; })) << "still polled";
    EXPECT_TRUE(program->running());
}

// A client that keeps sending and reads only now and then: what it is sent piles up, and the
// review it started still stops at its out point (the deck's trace: one second after Play).
TEST_F(RemoteSession, AClientThatHardlyReadsDoesNotHoldUpItsReview) {
    ASSERT_NO_FATAL_FAILURE(run("NetServer=YES\nNetPort=" + std::to_string(port) + "\n"));
    ASSERT_NE(greeted(), nullptr); // listening; that client leaves at once
    const struct Socket {
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ~Socket() { ::close(fd); }
    } client;
    const int fd = client.fd;
    const int small = 4096; // what the program sends soon waits in its own buffers
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(static_cast<std::uint16_t>(port));
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&where), sizeof where), 0);
    const std::string review = "tc100:01:00:00\ntc200:01:01:00\nReview\n";
    ASSERT_EQ(::send(fd, review.data(), review.size(), MSG_NOSIGNAL), ssize_t(review.size()));
    std::string polls;
    for (int i = 0; i < 20; ++i) polls += "GetTC\n";

    // The deck's trace: when Play came, and the first Stop after it.
    std::optional<double> playAt, stopAt;
    const auto readTrace = [&] {
        std::ifstream in(dir.file("trace.txt"));
        playAt.reset();
        stopAt.reset();
        for (std::string line; std::getline(in, line);) {
            const auto rx = line.find(" RX ");
            if (rx == std::string::npos) continue;
            const double at = std::stod(line.substr(0, rx));
            const std::string frame = line.substr(rx + 4);
            if (frame == "20 01 21 ") {
                playAt = at;
                stopAt.reset();
            } else if (playAt && !stopAt && frame == "20 00 20 ") {
                stopAt = at;
            }
        }
        return stopAt.has_value();
    };
    std::size_t taken = 0;
    for (int tick = 0; tick < 1000 && !readTrace(); ++tick) {
        ::send(fd, polls.data(), polls.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (tick % 15 == 0) {
            char buffer[1024];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n > 0) taken += static_cast<std::size_t>(n);
        }
        std::this_thread::sleep_for(20ms);
    }
    ASSERT_TRUE(stopAt.has_value()) << "no Stop after Play";
    EXPECT_GT(taken, 0u);
    // 29 frames at 30 frames a second, and a poll cycle.
    EXPECT_GT(*stopAt - *playAt, 900);
    EXPECT_LT(*stopAt - *playAt, 1300);
}

// A client that connects and resets at once, again and again: each time the server writes
// the same two lines in turn, so only the limit on each text keeps the log small.
TEST_F(RemoteSession, ClientsResettingInATightLoopHardlyGrowTheLog) {
    ASSERT_NO_FATAL_FAILURE(run("NetServer=YES\nNetPort=" + std::to_string(port) + "\n"));
    ASSERT_NE(greeted(), nullptr);
    ASSERT_TRUE(waitFor(
        [&] { return dir.read("KOLB_Log.txt").find("Server Loop Close") != std::string::npos; }));
    const std::size_t before = dir.read("KOLB_Log.txt").size();
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(static_cast<std::uint16_t>(port));
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int resets = 0;
    for (const auto end = std::chrono::steady_clock::now() + 5s;
         std::chrono::steady_clock::now() < end;) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) == 0) {
            const linger reset{1, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
            ++resets;
        }
        ::close(fd);
    }
    // Served again once the last reset is dealt with.
    ASSERT_NE(greeted(), nullptr);
    const std::size_t growth = dir.read("KOLB_Log.txt").size() - before;
    EXPECT_GT(resets, 200);
    EXPECT_LT(growth, 10u * 1024) << resets << " resets\n" << dir.read("KOLB_Log.txt");
}

// The port is held by another program: the log says so, and how to mend it. A server that
// opened the port once and ended after a client's KILL leaves it free for the next start.
TEST_F(RemoteSession, APortInUseIsLoggedAndARestartAfterAKillOpensItAgain) {
    const std::string settings = "NetServer=YES\nNetPort=" + std::to_string(port) + "\n";
    {
        const int holder = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in where{};
        where.sin_family = AF_INET;
        where.sin_port = htons(static_cast<std::uint16_t>(port));
        where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&where), sizeof where), 0);
        ASSERT_EQ(::listen(holder, 1), 0);
        ASSERT_NO_FATAL_FAILURE(run(settings));
        const std::string failed = "\nCan't Get ServerSocket at Port " + std::to_string(port) +
                                   ": Address already in use (no network clients: free the port, "
                                   "or set NetPort to another one)\nRS422 Ready\n";
        EXPECT_TRUE(waitFor([&] {
            return dir.read("KOLB_Log.txt").find(failed) != std::string::npos;
        })) << dir.read("KOLB_Log.txt");
        ::close(holder);
        program.reset();
    }
    for (int start = 1; start <= 2; ++start) {
        SCOPED_TRACE("start " + std::to_string(start));
        program = std::make_unique<Process>(kolb, std::vector<std::string>{}, dir.path());
        auto client = greeted();
        ASSERT_NE(client, nullptr) << dir.read("KOLB_Log.txt");
        ASSERT_TRUE(client->send("KILL\n"));
        EXPECT_TRUE(client->ended());
        program->signal(SIGUSR2);
        EXPECT_EQ(program->wait(20000), 0);
    }
}

TEST_F(RemoteSession, AMissingSecondPortEndsTheProgramWithStatusTwo) {
    ASSERT_NO_FATAL_FAILURE(run("UseZAM=YES\nCOMPort2=/dev/kolb-no-zam\n"));
    EXPECT_EQ(program->wait(20000), 2);
    EXPECT_GE(program->elapsed(), 4900ms);
    EXPECT_NE(dir.read("KOLB_Log.txt")
                  .find("Use ZAM          = YES\nZAM COM Port     = /dev/kolb-no-zam\n\n \n"
                        "Serial Port /dev/kolb-no-zam not available\n \n \n"
                        "ZAM Serial port /dev/kolb-no-zam for VCR not available.\n"),
              std::string::npos)
        << dir.read("KOLB_Log.txt");
}
