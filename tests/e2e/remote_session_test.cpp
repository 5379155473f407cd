// The real kolb program with its network server and its second port, against the real
// kolb-decksim program.
#include "Listener.h"
#include "NetClient.h"
#include "Process.h"
#include "Pty.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
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

// How many processes have the word among their arguments.
int Processes(const std::string& word) {
    int found = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream file(entry.path() / "cmdline", std::ios::binary);
        std::string args{std::istreambuf_iterator<char>(file), {}};
        std::replace(args.begin(), args.end(), '\0', ' ');
        if (args.find(word) != std::string::npos && args.find("/proc") == std::string::npos)
            ++found;
    }
    return found;
}

sockaddr_in loopback(int port) {
    return {AF_INET, htons(static_cast<std::uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
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

// The HyperDeck front end from the settings file, beside the command server: both serve, and a
// HyperDeck client's play reaches the deck.
TEST_F(RemoteSession, TheHyperDeckFrontEndServesBesideTheCommandServer) {
    const int hyperdeckPort = FreePort();
    ASSERT_NO_FATAL_FAILURE(run("NetServer=YES\nNetPort=" + std::to_string(port) +
                                "\nHyperDeckServer=YES\nHyperDeckPort=" +
                                std::to_string(hyperdeckPort) + "\nHyperDeckAddress=127.0.0.1\n"));
    auto commands = greeted();
    ASSERT_NE(commands, nullptr);
    Client hyperdeck(hyperdeckPort);
    ASSERT_TRUE(hyperdeck.connected);
    EXPECT_EQ(hyperdeck.line(), "500 connection info:");
    while (const auto line = hyperdeck.line()) {
        if (line->empty()) break;
    }
    ASSERT_TRUE(hyperdeck.send("play\r\n"));
    EXPECT_EQ(hyperdeck.line(), "200 ok");
    EXPECT_TRUE(waitFor([&] {
        return dir.read("trace.txt").find("RX 20 01 21") != std::string::npos;
    })) << "the deck was told to play";
    const std::string log = dir.read("KOLB_Log.txt");
    EXPECT_NE(log.find("HyperDeck Server = YES\nHyperDeck Port   = " +
                       std::to_string(hyperdeckPort) + "\nHyperDeck Address = 127.0.0.1\n"),
              std::string::npos)
        << log;
    EXPECT_NE(
        log.find("HyperDeck server listening on 127.0.0.1 port " + std::to_string(hyperdeckPort)),
        std::string::npos);
}

// A HyperDeck port already taken: the program says so, and why, and goes on.
TEST_F(RemoteSession, AHyperDeckPortInUseIsNamedWithTheReason) {
    std::string error;
    const int taken = OpenListener("127.0.0.1", 0, 1, error);
    ASSERT_GE(taken, 0) << error;
    const int takenPort = ListeningPort(taken);
    ASSERT_NO_FATAL_FAILURE(
        run("HyperDeckServer=YES\nHyperDeckPort=" + std::to_string(takenPort) + "\n"));
    const std::string said = "Can't open the HyperDeck server at port " +
                             std::to_string(takenPort) +
                             ": Address already in use (free the port, or set HyperDeckPort to "
                             "another one)";
    EXPECT_TRUE(waitFor([&] { return dir.read("KOLB_Log.txt").find(said) != std::string::npos; }))
        << dir.read("KOLB_Log.txt");
    EXPECT_TRUE(program->running());
    ::close(taken);
}

// Clients that are greeted and reset at once, again and again, four at a time: each time the
// server writes the same two lines in turn, which the repeat count does not fold.
TEST_F(RemoteSession, ClientsResettingInATightLoopHardlyGrowTheLog) {
    ASSERT_NO_FATAL_FAILURE(run("NetServer=YES\nNetPort=" + std::to_string(port) + "\n"));
    ASSERT_NE(greeted(), nullptr);
    const std::size_t before = dir.read("KOLB_Log.txt").size();
    std::atomic<int> resets{0};
    const auto end = std::chrono::steady_clock::now() + 5s;
    std::vector<std::thread> clients;
    for (int i = 0; i < 4; ++i)
        clients.emplace_back([&] {
            const sockaddr_in where = loopback(port);
            const timeval limit{2, 0};
            const linger reset{1, 0};
            while (std::chrono::steady_clock::now() < end) {
                const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
                ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
                char ok[4];
                if (::connect(fd, reinterpret_cast<const sockaddr*>(&where), sizeof where) == 0 &&
                    ::recv(fd, ok, 4, MSG_WAITALL) == 4) {
                    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
                    ++resets;
                }
                ::close(fd);
            }
        });
    for (std::thread& client : clients) client.join();
    // Served again once the last reset is dealt with.
    ASSERT_NE(greeted(), nullptr);
    const std::size_t growth = dir.read("KOLB_Log.txt").size() - before;
    EXPECT_GT(resets, 200);
    EXPECT_LT(growth, 10u * 1024) << resets << " resets";
}

// The port is held by another program: the log says so, and how to mend it. A server that
// opened the port once and ended after a client's KILL leaves it free for the next start.
TEST_F(RemoteSession, APortInUseIsLoggedAndARestartAfterAKillOpensItAgain) {
    const int holder = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in where = loopback(port);
    ASSERT_EQ(::bind(holder, reinterpret_cast<const sockaddr*>(&where), sizeof where), 0);
    ASSERT_NO_FATAL_FAILURE(run("NetServer=YES\nNetPort=" + std::to_string(port) + "\n"));
    // Said after "Ready", so the window's status line keeps it.
    const std::string failed = "RS422 Ready\n \nCan't Get ServerSocket at Port " +
                               std::to_string(port) +
                               ": Address already in use (no network clients: free the port, or "
                               "set NetPort to another one)\n";
    EXPECT_TRUE(waitFor([&] { return dir.read("KOLB_Log.txt").find(failed) != std::string::npos; }))
        << dir.read("KOLB_Log.txt");
    ::close(holder);
    program.reset();
    for (int start = 1; start <= 2; ++start) {
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

// KOLB killed outright while a clip records, its recorder started through a shell that keeps it
// as a child: nothing of the recorder's process group is left a moment later, with no help from
// KOLB. The clip comes from a list a client loads, as an unattended capture starts.
TEST_F(RemoteSession, KolbKilledDuringAClipLeavesNoRecorderBehind) {
    const std::string marker = "kolb-orphan-marker-" + std::to_string(::getpid());
    dir.write("clips.edl", "TITLE: Reel 1\nFCM: NON-DROP FRAME\n\n"
                           "001  REEL1    V     C        00:00:10:00 00:05:00:00 01:00:00:00 "
                           "01:04:50:00\n* FROM CLIP NAME: Long\n");
    ASSERT_NO_FATAL_FAILURE(run("NetServer=YES\nNetPort=" + std::to_string(port) +
                                "\nPreroll=00:00:01:00\nCaptureProbe=NO\n"
                                "CaptureCommand=/bin/sh -c \"'" TEST_RECORDER
                                "' --report {file}.report --output {file}.out " +
                                marker + " & wait\"\n"));
    auto client = greeted();
    ASSERT_NE(client, nullptr);
    ASSERT_TRUE(client->send("LoadList " + dir.path() + "/clips.edl\n"));
    ASSERT_TRUE(waitFor([&] {
        return dir.read("KOLB_Log.txt").find("Loaded 1 event") != std::string::npos;
    })) << dir.read("KOLB_Log.txt");
    ASSERT_TRUE(client->send("CaptureAll\n"));
    const auto running = [&] {
        return Processes(marker) > 0 &&
               dir.read("captures/001_Long.report").find("started") != std::string::npos;
    };
    ASSERT_TRUE(waitFor(running, 60s)) << dir.read("KOLB_Log.txt");

    program->signal(SIGKILL);
    program->wait(10000);
    const auto killed = std::chrono::steady_clock::now();
    EXPECT_TRUE(waitFor([&] { return Processes(marker) == 0; }, 10s)) << "the recorder lives on";
    const auto took = std::chrono::duration<double>(std::chrono::steady_clock::now() - killed);
    std::cout << "no recorder left " << took.count() << " s after KOLB was killed\n";
}
