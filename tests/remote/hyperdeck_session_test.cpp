// A HyperDeck client's commands, sent over a connection of its own to a controller that notes
// what it is asked: which commands may move the deck in which state, and with which code the
// others are refused; a block taken or refused whole; the watchdog's bounds; the uptime and the
// unique id; and the connection kept probed.
#include "HyperDeckClient.h"
#include "HyperDeckCommand.h"
#include "HyperDeckReplies.h"
#include "HyperDeckSession.h"
#include "HyperDeckTransport.h"
#include "RecordingTarget.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

namespace {

using Calls = std::vector<std::string>;

std::string Shuttle(int percent) {
    return std::string("shuttle ") + (percent < 0 ? "-" : "+") + std::to_string(SpeedByte(percent));
}

// Sends a client's lines to the HyperDeck front end over a connection of its own, and returns
// every reply it was told, whole and in order (its greeting left out).
std::vector<std::string> Replies(RecordingTarget& deck, const std::vector<std::string>& lines) {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return {"no socket"};
    std::string told;
    {
        HyperDeckPacer pacer;
        HyperDeckClient client(
            ends[0], deck, pacer, [](const std::string&) {}, [] {});
        client.start();
        std::string sent;
        for (const auto& line : lines) sent += line + "\r\n";
        sent += "device info\r\n"; // its reply is the last
        if (::send(ends[1], sent.data(), sent.size(), MSG_NOSIGNAL) != ssize_t(sent.size()))
            return {"not sent"};
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        const auto whole = [&] {
            const auto at = told.find("204 device info:");
            return at != std::string::npos && told.find("\r\n\r\n", at) != std::string::npos;
        };
        while (!whole() && std::chrono::steady_clock::now() < deadline) {
            pollfd p{ends[1], POLLIN, 0};
            char buffer[4096];
            if (::poll(&p, 1, 100) == 1) {
                const ssize_t n = ::recv(ends[1], buffer, sizeof buffer, 0);
                if (n <= 0) break;
                told.append(buffer, static_cast<size_t>(n));
            }
        }
    }
    ::close(ends[1]);
    std::vector<std::string> replies;
    std::string reply;
    for (size_t at = 0, end; (end = told.find("\r\n", at)) != std::string::npos; at = end + 2) {
        const std::string line = told.substr(at, end - at);
        reply += line + "\r\n";
        if (line.empty() || reply.find(":\r\n") == std::string::npos) {
            replies.push_back(reply);
            reply.clear();
        }
    }
    if (replies.size() < 2) return {"ended early: " + told};
    return std::vector<std::string>(replies.begin() + 1, replies.end() - 1);
}

} // namespace

// Each command that moves the deck, in each state the deck may be in: carried out when it may
// move, else refused with the state's code and nothing sent. A record the settings do not allow
// comes first, then a running capture, then LOCAL; no tape refuses only what needs one.
TEST(HyperDeckSession, EveryCommandThatMovesTheDeckIsRefusedWithTheCodeOfWhatStopsIt) {
    struct Command {
        std::string line;
        std::string call; // what the deck is asked when it may move
        bool needsTape;
        bool allowed = true; // for a record: HyperDeckRecord=YES
    };
    const Command commands[] = {
        {"play", "play", true},
        {"play: speed: 200", Shuttle(200), true},
        {"play: speed: -50", Shuttle(-50), true},
        {"play: speed: 0", "pause", true},
        {"shuttle: speed: 5000", Shuttle(5000), true},
        {"shuttle", "pause", true},
        {"record", "record", true},
        {"record: name: take two", "record", true},
        {"record", "", true, false},
        {"record: name: take two", "", true, false},
        {"goto: timecode: 00:20:00:00", "cueTo 00:20:00:00", true},
        {"goto: timecode: +00:00:01:00", "cueTo 00:10:01:00", true},
        {"jog: timecode: -00:00:00:05", "cueTo 00:09:59:25", true},
        {"stop", "stop", false},
        {"preview: enable: true", "eeon", false},
        {"preview: enable: false", "eeoff", false},
    };
    struct State {
        const char* what;
        bool local, noTape, capturing;
        std::string tapeReply, otherReply; // "" carried out
    };
    const State states[] = {
        {"remote, a tape in", false, false, false, "", ""},
        {"LOCAL", true, false, false, "111 remote control disabled\r\n",
         "111 remote control disabled\r\n"},
        {"no tape", false, true, false, "105 no disk\r\n", ""},
        {"LOCAL and no tape", true, true, false, "111 remote control disabled\r\n",
         "111 remote control disabled\r\n"},
        {"a capture running", false, false, true, "150 invalid state\r\n", "150 invalid state\r\n"},
        {"a capture running in LOCAL without tape", true, true, true, "150 invalid state\r\n",
         "150 invalid state\r\n"},
    };
    for (const State& state : states) {
        for (const Command& command : commands) {
            SCOPED_TRACE(std::string(state.what) + ": " + command.line);
            RecordingTarget deck;
            deck.state.timecode = "00:10:00:00";
            deck.state.local = state.local;
            deck.state.noTape = state.noTape;
            deck.capturing = state.capturing;
            deck.recordAllowed = command.allowed;
            const std::string refused = !command.allowed    ? "150 invalid state\r\n"
                                        : command.needsTape ? state.tapeReply
                                                            : state.otherReply;
            EXPECT_EQ(Replies(deck, {command.line}),
                      Calls{refused.empty() ? "200 ok\r\n" : refused});
            // A capture's refusal is said in the window as well.
            const Calls expected = !command.allowed  ? Calls{}
                                   : state.capturing ? Calls{"refused"}
                                   : refused.empty() ? Calls{command.call}
                                                     : Calls{};
            EXPECT_EQ(deck.calls(), expected);
        }
    }
}

// A block is one command: a line in it that is not "key: value" refuses all of it, and the
// lines after its blank line are commands again.
TEST(HyperDeckSession, ABlockWithOneBadLineIsRefusedWhole) {
    struct Row {
        const char* what;
        std::vector<std::string> lines;
        Calls replies;
        Calls calls;
    };
    const std::string ok = "200 ok\r\n", syntax = "100 syntax error\r\n";
    const Row rows[] = {
        {"a whole block", {"play:", "speed: 50", "loop: false", ""}, {ok}, {Shuttle(50)}},
        {"a bad line first", {"play:", "bogus", "speed: 50", ""}, {syntax}, {}},
        {"a bad line last", {"play:", "speed: 50", "loop false", ""}, {syntax}, {}},
        {"a key without a value", {"play:", "speed: 50", "loop:", ""}, {syntax}, {}},
        {"a parameter play does not take",
         {"play:", "speed: 50", "foo: 1", ""},
         {"101 unsupported parameter\r\n"},
         {}},
        {"a value out of range",
         {"play:", "loop: true", "speed: 5001", ""},
         {"109 out of range\r\n"},
         {}},
        {"the command after a refused block",
         {"play:", "bogus", "", "stop"},
         {syntax, ok},
         {"stop"}},
        {"a block of a name not known", {"bogus:", "speed: 50", ""}, {syntax}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        RecordingTarget deck;
        EXPECT_EQ(Replies(deck, row.lines), row.replies);
        EXPECT_EQ(deck.calls(), row.calls);
    }
}

// The watchdog takes none (no period, 0 or less) to an hour; what it refuses leaves the period
// set before.
TEST(HyperDeckSession, TheWatchdogTakesNoneToAnHour) {
    struct Row {
        std::string line, reply;
        int period;
    };
    const Row rows[] = {
        {"watchdog: period: 0", "200 ok\r\n", 0},
        {"watchdog: period: 1", "200 ok\r\n", 1},
        {"watchdog: period: 3600", "200 ok\r\n", 3600},
        {"watchdog: period: 3601", "109 out of range\r\n", 5},
        {"watchdog: period: -1", "200 ok\r\n", 0},
        {"watchdog: period: 1.5", "102 invalid value\r\n", 5},
        {"watchdog", "200 ok\r\n", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        RecordingTarget deck;
        HyperDeckSession session(deck);
        const auto handle = [&](const std::string& line) {
            return session.handle(*ParseHyperDeckLine(line));
        };
        ASSERT_EQ(handle("watchdog: period: 5"), "200 ok\r\n");
        EXPECT_EQ(handle(row.line), row.reply);
        EXPECT_EQ(session.watchdogSeconds(), row.period);
    }
}

// "uptime": the whole seconds since KOLB started, by the clock the session is given.
TEST(HyperDeckSession, UptimeCountsTheWholeSecondsSinceKolbStarted) {
    using namespace std::chrono_literals;
    const HyperDeckUptime::Clock::time_point start{1h};
    auto now = start;
    RecordingTarget deck;
    HyperDeckSession session(deck, nullptr, {}, {start, [&now] { return now; }});
    const std::pair<std::chrono::milliseconds, std::string> rows[] = {
        {0ms, "0"}, {999ms, "0"}, {1000ms, "1"}, {259200999ms, "259200"}};
    for (const auto& [since, seconds] : rows) {
        now = start + since;
        EXPECT_EQ(session.handle(*ParseHyperDeckLine("uptime")),
                  "215 uptime:\r\nuptime: " + seconds + "\r\n\r\n")
            << since.count() << " ms";
    }
}

// Device info's unique id: the 64-bit FNV-1a hash of the host name (the hash's published values).
TEST(HyperDeckReplies, TheUniqueIdIsTheHostNamesHash) {
    const std::pair<const char*, const char*> rows[] = {
        {"", "cbf29ce484222325"}, {"a", "af63dc4c8601ec8c"}, {"foobar", "85944171f73967e8"}};
    for (const auto& [host, id] : rows) EXPECT_EQ(hyperdeck::UniqueId(host), id) << host;
}

// A control surface switched off is found, as the command server's clients are: the connection
// is probed after a silence, and a dead one ends within a minute.
TEST(HyperDeckClient, ItsConnectionIsProbedSoADeadPeerIsFoundWithinAMinute) {
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(socket, 0);
    RecordingTarget deck;
    HyperDeckPacer pacer;
    const HyperDeckClient client(
        socket, deck, pacer, [](const std::string&) {}, [] {});
    const auto option = [socket](int level, int name) {
        int value = -1;
        socklen_t length = sizeof value;
        ::getsockopt(socket, level, name, &value, &length);
        return value;
    };
    EXPECT_EQ(option(SOL_SOCKET, SO_KEEPALIVE), 1);
    EXPECT_GT(option(IPPROTO_TCP, TCP_KEEPIDLE), 0);
    EXPECT_LE(option(IPPROTO_TCP, TCP_KEEPIDLE) +
                  option(IPPROTO_TCP, TCP_KEEPINTVL) * option(IPPROTO_TCP, TCP_KEEPCNT),
              60);
}
