// The deck controller driven from outside the window: the external controller's messages on a
// second pseudo-terminal, and a network client over loopback. Both against the simulated deck or
// a far end the test plays, through the real link.
#include "ControllerFixture.h"
#include "NetClient.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <sys/ioctl.h>

using namespace decktest;

namespace {

const std::string playFrame = "20 01 21 ";
const std::string stopFrame = "20 00 20 ";
const std::string jogrFrame = "21 21 10 52 ";
const std::string jogfFrame = "21 11 10 42 ";

// How a message goes onto the second port's line: at the line's own pace (2400 bit/s, 4.2 ms a
// byte); the same, but the reader takes the first byte alone before the second comes; at once.
enum class Send { Paced, Split, Burst };
void sendOn(Pty& line, const std::vector<std::uint8_t>& bytes, Send how) {
    if (how == Send::Burst) return line.write(bytes);
    for (size_t i = 0; i < bytes.size(); ++i) {
        line.write({bytes[i]});
        std::this_thread::sleep_for(std::chrono::microseconds(4200));
        if (how == Send::Split && i == 0) {
            EXPECT_TRUE(waitUntil([&] { // the line as the test's own handle on it sees it
                int waiting = -1;
                return ::ioctl(line.slave(), FIONREAD, &waiting) == 0 && waiting == 0;
            })) << "the reader took the first byte";
        }
    }
}

class RemoteControl : public Controller {
protected:
    bool consoleHas(const std::string& line, size_t from = 0) {
        const auto all = consoleLines();
        return std::find(all.begin() + static_cast<std::ptrdiff_t>(from), all.end(), line) !=
               all.end();
    }
    bool statusShown(const std::string& text) {
        const auto all = panel->getStatuses();
        return std::find(all.begin(), all.end(), text) != all.end();
    }
    // The commands the deck received after the first n, once one more has come.
    std::vector<std::string> commandsFrom(size_t n) {
        EXPECT_TRUE(trace->waitForCommands(n + 1, 10000));
        const auto all = trace->commandBytes();
        return {all.begin() + static_cast<std::ptrdiff_t>(n), all.end()};
    }
    static Settings withServer(Settings s = Settings()) {
        s.netserver = true;
        s.netport = 0; // any free port: tests run side by side
        return s;
    }
};

} // namespace

TEST_F(RemoteControl, SecondPortMessagesDriveTheDeckOneMessageAPoll) {
    Pty zam;
    Settings s;
    s.zam = true;
    s.comport2 = zam.slavePath();
    start(s);
    ASSERT_NO_FATAL_FAILURE(startedUp());
    const std::string opened = "ZAM Serial Port " + zam.slavePath() + " Opened OK";
    EXPECT_TRUE(statusShown(opened));
    const auto start = consoleLines();
    const auto at = std::find(start.begin(), start.end(), opened);
    ASSERT_NE(at, start.end());
    EXPECT_EQ(*(at - 1), " ");
    EXPECT_EQ(*(at + 1), " ");
    trace->clear();

    // Each message, then the deck's frame for it, if any; the next is sent once that has come.
    // A split message follows one with another code byte, so a first byte taken with the code
    // left from before shows as the wrong frame.
    // Shown with their bytes; logged without, so noise on the line repeats one text.
    const std::string lone = "ZAM message 81 cut short, dropped: its second byte did not come "
                             "within 100 ms (press the key again)";
    const std::string dropped =
        "ZAM message 81 7F dropped: one message is taken every 300 ms (press the key again)";
    const std::string loneLogged = "ZAM message cut short, dropped: its second byte did not come "
                                   "within 100 ms (press the key again)";
    const std::string droppedLogged =
        "ZAM messages dropped: one message is taken every 300 ms (press the key again)";
    struct Step {
        std::vector<std::uint8_t> bytes;
        Send how;
        std::string console;
        std::string frame; // empty: none
    };
    using enum Send;
    const Step steps[] = {
        {{0x80, 0x45}, Paced, "80 45 ", playFrame},
        {{0x80, 0x42}, Split, "80 42 ", "20 20 40 "},
        {{0x80, 0x43}, Split, "80 43 ", "20 10 30 "},
        {{0x80, 0x44}, Split, "80 44 ", stopFrame},
        {{0x81, 0x10}, Paced, "81 10 ", jogrFrame},
        {{0x81, 0x7F}, Split, "81 7F ", jogfFrame},
        {{0x81, 0x00}, Split, "81 00 ", jogrFrame},
        {{0x80, 0x46}, Paced, "80 46 ", ""},
        {{0x82, 0x45}, Paced, "82 45 ", ""},
        // A burst: the stop is taken, the jog behind it is dropped and said to be.
        {{0x80, 0x44, 0x81, 0x7F}, Burst, droppedLogged, stopFrame},
        // A group byte whose code byte never comes is dropped, not taken with the 44 before.
        {{0x81}, Paced, loneLogged, ""},
        // Its code byte, come late, is dropped, not taken as the group byte of the play after
        // it; a group byte followed by another has lost its code: the stop after it is taken.
        {{0x7F, 0x80, 0x45}, Burst, "80 45 ", playFrame},
        {{0x81, 0x80, 0x44}, Burst, "80 44 ", stopFrame},
    };
    size_t seen = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.console);
        const size_t before = consoleLines().size();
        sendOn(zam, step.bytes, step.how);
        EXPECT_TRUE(waitUntil([&] { return consoleHas(step.console, before); }));
        if (step.frame.empty()) continue;
        const auto frames = commandsFrom(seen);
        ASSERT_FALSE(frames.empty());
        EXPECT_EQ(frames.front(), step.frame);
        seen += frames.size();
    }
    EXPECT_TRUE(statusShown(dropped) && statusShown(lone));
    EXPECT_TRUE(statusShown("ZAM bytes 7F dropped: they came with no message to belong to (press "
                            "the key again)"));
    EXPECT_TRUE(statusShown("ZAM message 81 cut short, dropped: another message began before its "
                            "second byte (press the key again)"));

    // Marks before any logger was opened: only the hex line.
    zam.write({0x80, 0x40});
    ASSERT_TRUE(waitUntil([&] { return consoleHas("80 40 "); }));
    zam.write({0x80, 0x45});
    ASSERT_EQ(commandsFrom(seen).front(), playFrame);
    EXPECT_EQ(trace->commandBytes().size(), seen + 1) << "one frame a message that makes one";
    EXPECT_TRUE(panel->getLogMarks().empty());
    // Once a logger has been opened, they reach it.
    vcr->CommandBLogger();
    zam.write({0x80, 0x40});
    ASSERT_TRUE(waitUntil([&] { return panel->getLogMarks().size() == 1; }));
    sendOn(zam, {0x80, 0x41}, Send::Split);
    ASSERT_TRUE(waitUntil([&] { return panel->getLogMarks().size() == 2; }));
    EXPECT_EQ(panel->getLogMarks(), (std::vector<std::string>{"in", "out"}));
}

TEST_F(RemoteControl, ASecondPortThatGoesAndComesBackIsReopened) {
    // The port is a link that the test moves to a new line when the device comes back.
    const std::string link = "/tmp/kolb-zam-link-" + std::to_string(::getpid());
    Pty first, second;
    std::filesystem::remove(link);
    std::filesystem::create_symlink(first.slavePath(), link);
    Settings s;
    s.zam = true;
    s.comport2 = link;
    start(s);
    ASSERT_NO_FATAL_FAILURE(startedUp());
    trace->clear();
    first.closeMaster();
    const std::string lost = "ZAM Serial Port " + link +
                             " lost: reconnect the controller; the port is opened again when it "
                             "is back";
    EXPECT_TRUE(waitUntil([&] { return consoleHas(lost) && statusShown(lost); }));
    std::filesystem::remove(link);
    std::filesystem::create_symlink(second.slavePath(), link);
    const std::string reopened = "ZAM Serial Port " + link + " reopened";
    EXPECT_TRUE(waitUntil([&] { return consoleHas(reopened) && statusShown(reopened); }));
    sendOn(second, {0x80, 0x45}, Send::Paced);
    EXPECT_EQ(commandsFrom(0), std::vector<std::string>{playFrame});
    const auto lines = consoleLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), lost), 1) << "said once";
    stopAll(); // the reader first: it holds the line
    std::filesystem::remove(link);
}

TEST_F(RemoteControl, AMissingSecondPortEndsTheProgramWithStatusTwo) {
    Settings s;
    s.zam = true;
    s.comport2 = "/dev/kolb-no-zam";
    start(s);
    ASSERT_TRUE(waitUntil([&] { return exitStatus != -1; }, 20s));
    EXPECT_EQ(exitStatus, 2);
    EXPECT_EQ(consoleLines(), (std::vector<std::string>{
                                  " ", "Serial Port /dev/kolb-no-zam not available", " ", " ",
                                  "ZAM Serial port /dev/kolb-no-zam for VCR not available."}));
    vcr->waitIdle();
    EXPECT_EQ(vcr->poller(), nullptr) << "start-up went no further";
}

TEST_F(RemoteControl, AClientIsGreetedAndGetsTheLastTimeAndStatusAndNothingElse) {
    // A deck that never answers a time or status read: nothing has been read.
    startOnRawLine(withServer());
    ASSERT_NO_FATAL_FAILURE(startedUp());
    const int port = vcr->serverPort();
    ASSERT_GT(port, 0);
    EXPECT_TRUE(statusShown("Server Socket Opened OK at Port 0"));
    EXPECT_FALSE(vcr->OpenServerSocket(port));
    EXPECT_TRUE(statusShown("Can't Get ServerSocket at Port " + std::to_string(port)));
    EXPECT_EQ(vcr->serverPort(), port) << "the open server stays";
    // It listens on loopback only: the same port on another local address is still free.
    {
        const int probe = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in other{};
        other.sin_family = AF_INET;
        other.sin_port = htons(static_cast<std::uint16_t>(port));
        other.sin_addr.s_addr = htonl(0x7F000002); // 127.0.0.2
        EXPECT_EQ(::bind(probe, reinterpret_cast<sockaddr*>(&other), sizeof other), 0)
            << "the server holds the port on every address";
        ::close(probe);
    }

    Client client(port);
    ASSERT_TRUE(client.connected);
    EXPECT_EQ(client.line(), "OK");
    ASSERT_TRUE(client.send("GetTC\r\n"));
    EXPECT_EQ(client.line(), "00:00:00:00");
    ASSERT_TRUE(client.send("Status\n"));
    EXPECT_EQ(client.line(), "");
    // "close" is a command the language does not know: no reply, the connection stays.
    ASSERT_TRUE(client.send("close\rGetTC\r"));
    EXPECT_EQ(client.line(), "00:00:00:00");
    ASSERT_TRUE(client.send("Play\r\nKILL\r\n"));
    EXPECT_TRUE(client.ended());
    EXPECT_TRUE(waitUntil([&] {
        const auto cmds = rawCommands();
        return std::find(cmds.begin(), cmds.end(), Bytes{0x20, 0x01, 0x21}) != cmds.end();
    }));
    EXPECT_TRUE(waitUntil([&] { return statusShown("Client Closed Connection!"); }));
    EXPECT_TRUE(waitUntil([&] { return consoleHas("Server Loop Close"); }));

    // The next client is served.
    Client next(port);
    EXPECT_EQ(next.line(), "OK");
    ASSERT_TRUE(next.send("GetTC\n"));
    EXPECT_EQ(next.line(), "00:00:00:00");
}

TEST_F(RemoteControl, AReviewStartedByAClientReportsEachStepToIt) {
    Settings s = withServer();
    s.vanto = true;
    s.VCRType = "VANTO";
    DeckSim::Options opts;
    opts.deck.seekMs = 100;
    start(s, opts);
    ASSERT_NO_FATAL_FAILURE(startedUp());
    Client client(vcr->serverPort());
    ASSERT_EQ(client.line(), "OK");
    ASSERT_TRUE(client.send("tc100:00:10:00\ntc200:00:11:00\nReview\n"));
    for (const char* expected : {"CUEING!", "CUED!", "x!x!x!", "x#x#x#"})
        EXPECT_EQ(client.line(20s), expected);
    // GetTC answers the time the poller read last: at the out point by now.
    ASSERT_TRUE(client.send("GetTC\n"));
    const auto time = client.line();
    ASSERT_TRUE(time.has_value());
    EXPECT_GE(*time, std::string("00:00:10:29"));
}
