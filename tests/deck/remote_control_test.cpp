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

class RemoteControl : public Controller {
protected:
    bool consoleHas(const std::string& line) {
        const auto all = consoleLines();
        return std::find(all.begin(), all.end(), line) != all.end();
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

namespace {

// How the test puts a message on the second port's line.
enum class Send {
    Paced, // at the line's own pace, 2400 bit/s: a byte every 4.2 ms
    Split, // the reader takes the first byte alone, then the second comes at the line's pace
    Burst, // all at once
};

constexpr auto bytePace = std::chrono::microseconds(4200);

// Input waiting on the line, seen through the test's own handle on it.
int waitingOn(const Pty& line) {
    int n = 0;
    return ::ioctl(line.slave(), FIONREAD, &n) == 0 ? n : -1;
}

void sendOn(Pty& line, const Bytes& bytes, Send how) {
    if (how == Send::Burst) return line.write(bytes);
    for (size_t i = 0; i < bytes.size(); ++i) {
        line.write({bytes[i]});
        std::this_thread::sleep_for(bytePace);
        if (how == Send::Split && i == 0) {
            EXPECT_TRUE(waitUntil([&] { return waitingOn(line) == 0; })) << "the reader polls";
        }
    }
}

std::string opened(const Pty& line) {
    return "ZAM Serial Port " + line.slavePath() + " Opened OK";
}

} // namespace

TEST_F(RemoteControl, SecondPortMessagesDriveTheDeckOneMessageAPoll) {
    Pty zam;
    Settings s;
    s.zam = true;
    s.comport2 = zam.slavePath();
    start(s);
    ASSERT_NO_FATAL_FAILURE(startedUp());
    EXPECT_TRUE(statusShown(opened(zam)));
    const auto start = consoleLines();
    const auto at = std::find(start.begin(), start.end(), opened(zam));
    ASSERT_NE(at, start.end());
    EXPECT_EQ(*(at - 1), " ");
    EXPECT_EQ(*(at + 1), " ");
    trace->clear();
    size_t seen = 0;

    // Marks before any logger was opened: only the hex line.
    zam.write({0x80, 0x40});
    ASSERT_TRUE(waitUntil([&] { return consoleHas("80 40 "); }));
    zam.write({0x80, 0x45});
    ASSERT_EQ(commandsFrom(seen).front(), playFrame);
    seen = trace->commandBytes().size();
    EXPECT_TRUE(panel->getLogMarks().empty());
    vcr->CommandBLogger();

    // Every message of the controller, each with the frame on the deck's wire or the mark it
    // makes; the next is sent once that has come. No two in a row write the same console line
    // (a repeated line is folded). A split message follows one whose code byte
    // differs, so a first byte taken with the code left from before shows as the wrong frame.
    const std::string lone = "ZAM message 81 cut short, dropped: its second byte did not come "
                             "within 100 ms (press the key again)";
    const std::string burstDropped =
        "ZAM message 81 7F dropped: one message is taken every 300 ms (press the key again)";
    struct Step {
        Bytes bytes;
        Send how;
        std::vector<std::string> console; // in order, the last of them new with this message
        std::string frame;                // empty: no frame
        std::string mark;                 // empty: no mark
    };
    const Step steps[] = {
        {{0x80, 0x42}, Send::Paced, {"80 42 "}, "20 20 40 ", ""},
        {{0x80, 0x43}, Send::Split, {"80 43 "}, "20 10 30 ", ""},
        {{0x80, 0x44}, Send::Split, {"80 44 "}, stopFrame, ""},
        {{0x80, 0x45}, Send::Split, {"80 45 "}, playFrame, ""},
        {{0x81, 0x10}, Send::Paced, {"81 10 "}, jogrFrame, ""},
        {{0x81, 0x7F}, Send::Split, {"81 7F "}, jogfFrame, ""},
        {{0x81, 0x00}, Send::Split, {"81 00 "}, jogrFrame, ""},
        {{0x80, 0x40}, Send::Paced, {"80 40 "}, "", "in"},
        {{0x80, 0x41}, Send::Split, {"80 41 "}, "", "out"},
        {{0x80, 0x46}, Send::Paced, {"80 46 "}, "", ""},
        {{0x82, 0x45}, Send::Paced, {"82 45 "}, "", ""},
        // A burst: the stop is taken, the jog behind it is dropped and said to be.
        {{0x80, 0x44, 0x81, 0x7F}, Send::Burst, {"80 44 ", burstDropped}, stopFrame, ""},
        // A first byte whose second never comes is dropped, not taken with the 44 before.
        {{0x81}, Send::Paced, {lone}, "", ""},
        {{0x80, 0x45}, Send::Paced, {"80 45 "}, playFrame, ""},
    };
    std::vector<std::string> marks;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.console.front());
        const size_t before = consoleLines().size();
        sendOn(zam, step.bytes, step.how);
        ASSERT_TRUE(waitUntil([&] {
            const auto all = consoleLines();
            return std::find(all.begin() + static_cast<std::ptrdiff_t>(before), all.end(),
                             step.console.back()) != all.end();
        }));
        const auto all = consoleLines();
        const auto from = std::find(all.begin() + static_cast<std::ptrdiff_t>(before), all.end(),
                                    step.console.front());
        ASSERT_NE(from, all.end());
        EXPECT_TRUE(std::equal(step.console.begin(), step.console.end(), from));
        if (!step.frame.empty()) {
            const auto frames = commandsFrom(seen);
            ASSERT_FALSE(frames.empty());
            EXPECT_EQ(frames.front(), step.frame);
            seen += frames.size();
        }
        if (!step.mark.empty()) {
            marks.push_back(step.mark);
            EXPECT_TRUE(waitUntil([&] { return panel->getLogMarks() == marks; }));
        }
    }
    EXPECT_EQ(trace->commandBytes().size(), seen) << "one frame a message that makes one";
    EXPECT_EQ(panel->getLogMarks(), marks);
    EXPECT_TRUE(statusShown(burstDropped));
    EXPECT_TRUE(statusShown(lone));
}

TEST_F(RemoteControl, ASecondPortThatGoesAndComesBackIsReopened) {
    // The controller's port is a link that moves to a new line when the device comes back.
    const std::string link = "/tmp/kolb-zam-link-" + std::to_string(::getpid());
    auto first = std::make_unique<Pty>();
    std::filesystem::remove(link);
    std::filesystem::create_symlink(first->slavePath(), link);
    Settings s;
    s.zam = true;
    s.comport2 = link;
    start(s);
    ASSERT_NO_FATAL_FAILURE(startedUp());
    trace->clear();

    first->closeMaster();
    const std::string lost = "ZAM Serial Port " + link +
                             " lost: reconnect the controller; the port is opened again when it "
                             "is back";
    ASSERT_TRUE(waitUntil([&] { return consoleHas(lost); }));
    EXPECT_TRUE(statusShown(lost));

    Pty second;
    const std::string moved = link + ".new";
    std::filesystem::create_symlink(second.slavePath(), moved);
    std::filesystem::rename(moved, link);
    const std::string reopened = "ZAM Serial Port " + link + " reopened";
    EXPECT_TRUE(waitUntil([&] { return consoleHas(reopened); }));
    EXPECT_TRUE(statusShown(reopened));
    sendOn(second, {0x80, 0x45}, Send::Paced);
    const auto frames = commandsFrom(0);
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.front(), playFrame);
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
