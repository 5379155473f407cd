// The deck's front panel (LOCAL, the cassette, the time it prefers), paced replies and the
// control lines that switch them, seen from the controller's end of the line.
#include "DeckSim.h"
#include "SimControl.h"
#include "TraceLog.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using Bytes = ninepin::Bytes;
using namespace std::chrono_literals;
using clock_type = std::chrono::steady_clock;

namespace {

const Bytes ack{0x10, 0x01, 0x11};
const Bytes statusRequest{0x61, 0x20, 0x09, 0x8A}; // 9 bytes from byte 0
const Bytes timeRequest{0x61, 0x0C, 0x03, 0x70};   // LTC or VITC, as the controller asks
const Bytes play{0x20, 0x01, 0x21};
const Bytes stop{0x20, 0x00, 0x20};

Bytes timeSense(std::uint8_t bits) {
    return ninepin::Frame(0x6, 0x0C, {bits});
}

// The controller's end: the simulator's line opened raw, read with a deadline.
class RawLine {
public:
    explicit RawLine(const std::string& path)
        : fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
        termios tio{};
        ::tcgetattr(fd, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(fd, TCSANOW, &tio);
    }
    ~RawLine() {
        if (fd >= 0) ::close(fd);
    }
    RawLine(const RawLine&) = delete;
    RawLine& operator=(const RawLine&) = delete;

    bool open() const { return fd >= 0; }
    // False when the line refuses the bytes.
    bool write(const Bytes& bytes) {
        return ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
    // Up to `want` bytes, as many as come within the time (generous: these tests are about what
    // the deck answers, not how soon).
    Bytes read(size_t want, int timeoutMs = 5000) {
        Bytes got;
        const auto end = clock_type::now() + std::chrono::milliseconds(timeoutMs);
        while (got.size() < want && clock_type::now() < end) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0) continue;
            std::uint8_t buf[256];
            const ssize_t n = ::read(fd, buf, std::min(sizeof buf, want - got.size()));
            if (n > 0) got.insert(got.end(), buf, buf + n);
        }
        return got;
    }
    Bytes ask(const Bytes& frame, size_t want) {
        if (!write(frame)) return {};
        return read(want);
    }

private:
    int fd;
};

class Panel : public ::testing::Test {
protected:
    void SetUp() override {
        DeckSim::Options opts;
        opts.deck.seekMs = 0;
        sim = std::make_unique<DeckSim>(opts);
        log = std::make_unique<TraceLog>(*sim);
        line = std::make_unique<RawLine>(sim->path());
        ASSERT_TRUE(line->open());
    }
    void TearDown() override {
        line.reset();
        log.reset(); // takes its callback off the deck
        sim.reset();
    }

    Bytes status() { return line->ask(statusRequest, 12); }
    // Status byte 0, reply index 2.
    int statusByte0() {
        const Bytes s = status();
        return s.size() == 12 && s[0] == 0x79 ? s[2] : -1;
    }
    Bytes time(std::uint8_t bits = 0x03) { return line->ask(timeSense(bits), 7); }

    std::unique_ptr<DeckSim> sim;
    std::unique_ptr<TraceLog> log; // after the deck, so it goes first
    std::unique_ptr<RawLine> line;
};

bool sameDeck(const DeckModel::Snapshot& a, const DeckModel::Snapshot& b) {
    return a.mode == b.mode && a.frames == b.frames && a.rate == b.rate && a.standby == b.standby &&
           a.ee == b.ee && a.tapeIn == b.tapeIn && a.cueTarget == b.cueTarget;
}

} // namespace

TEST(TimeKinds, TheRequestBitsAndThePreferenceChooseTheReply) {
    using K = TimeKind;
    struct Case {
        Bytes request; // the data byte, or none
        K preferred;
        std::uint8_t cmd2; // 04 LTC, 06 VITC, 00 timer-1
    };
    const std::vector<Case> cases = {
        {{0x01}, K::Ltc, 0x04},    {{0x02}, K::Ltc, 0x06},    {{0x04}, K::Ltc, 0x00},
        {{0x03}, K::Ltc, 0x04},    {{0x01}, K::Vitc, 0x04},   {{0x02}, K::Vitc, 0x06},
        {{0x04}, K::Vitc, 0x00},   {{0x03}, K::Vitc, 0x06},   {{0x01}, K::Timer1, 0x04},
        {{0x02}, K::Timer1, 0x06}, {{0x04}, K::Timer1, 0x00}, {{0x03}, K::Timer1, 0x04},
        {{0x07}, K::Timer1, 0x00}, {{0x00}, K::Vitc, 0x06},   {{0x08}, K::Timer1, 0x00},
        {{}, K::Vitc, 0x06},
    };
    const int t = ninepin::FramesOf(12, 34, 56, 29);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "request " << (c.request.empty() ? -1 : c.request[0])
                                        << " preferred " << static_cast<int>(c.preferred));
        const Bytes reply =
            DeckResponder::TimeReply(DeckResponder::AnsweredTimeKind(c.request, c.preferred), t);
        EXPECT_EQ(reply, ninepin::Frame(0x7, c.cmd2, {0x29, 0x56, 0x34, 0x12}));
    }
    EXPECT_EQ(DeckResponder::TimeReply(K::Vitc, t),
              (Bytes{0x74, 0x06, 0x29, 0x56, 0x34, 0x12, 0x3F}));
}

TEST_F(Panel, TheTimeKindsGoOnTheWireAsTheRuleSays) {
    sim->setPosition(ninepin::FramesOf(1, 2, 3, 4));
    EXPECT_EQ(time(), (Bytes{0x74, 0x04, 0x04, 0x03, 0x02, 0x01, 0x82})) << "as it always was";
    sim->setTimeKind(TimeKind::Vitc);
    EXPECT_EQ(time(), (Bytes{0x74, 0x06, 0x04, 0x03, 0x02, 0x01, 0x84}));
    EXPECT_EQ(time(0x01), (Bytes{0x74, 0x04, 0x04, 0x03, 0x02, 0x01, 0x82}));
    sim->setTimeKind(TimeKind::Timer1);
    EXPECT_EQ(time(), (Bytes{0x74, 0x04, 0x04, 0x03, 0x02, 0x01, 0x82}));
    EXPECT_EQ(time(0x04), (Bytes{0x74, 0x00, 0x04, 0x03, 0x02, 0x01, 0x7E}));
}

TEST_F(Panel, InLocalRemoteCommandsAreAcknowledgedButLeftUndoneAndSensesAnswered) {
    sim->setPosition(ninepin::FramesOf(0, 10, 0, 0));
    sim->setLocal(true);
    EXPECT_EQ(statusByte0(), 0x01) << "LOCAL";
    const auto before = sim->snapshot();
    const std::vector<std::pair<const char*, Bytes>> remote = {
        {"play", play},
        {"record", {0x20, 0x02, 0x22}},
        {"standby on", {0x20, 0x05, 0x25}},
        {"E-E on", {0x20, 0x61, 0x81}},
        {"shuttle", {0x21, 0x23, 0x20, 0x64}},
        {"cue", {0x24, 0x31, 0x04, 0x03, 0x02, 0x01, 0x5F}},
        {"eject", {0x20, 0x0F, 0x2F}},
    };
    for (const auto& [name, frame] : remote) {
        SCOPED_TRACE(name);
        EXPECT_EQ(line->ask(frame, 3), ack);
        EXPECT_TRUE(sameDeck(sim->snapshot(), before)) << "the deck did not move";
        const Bytes s = status();
        ASSERT_EQ(s.size(), 12u);
        EXPECT_EQ(s[3], 0x20) << "the status still says stop";
        EXPECT_EQ(s[4], 0x00);
    }
    EXPECT_EQ(line->ask({0x20, 0x77, 0x97}, 4), (Bytes{0x11, 0x12, 0x01, 0x24}))
        << "an undefined command is still refused";

    // Senses, time mode, device type and set-up frames work as ever.
    EXPECT_EQ(time(), (Bytes{0x74, 0x04, 0x00, 0x00, 0x10, 0x00, 0x88}));
    EXPECT_EQ(line->ask({0x41, 0x36, 0x01, 0x78}, 3), ack);
    EXPECT_EQ(sim->timeMode(), 1);
    EXPECT_EQ(line->ask({0x00, 0x11, 0x11}, 5), (Bytes{0x12, 0x11, 0x20, 0x10, 0x53}));
    EXPECT_EQ(line->ask({0xF3, 0x02, 0xA1, 0x04, 0x00, 0x9A}, 3), ack);
    EXPECT_EQ(sim->setupValues().count(0xA1), 1u);

    sim->setLocal(false);
    EXPECT_EQ(statusByte0(), 0x00) << "REMOTE again";
    EXPECT_EQ(line->ask(play, 3), ack);
    const Bytes s = status();
    ASSERT_EQ(s.size(), 12u);
    EXPECT_EQ(s[3], 0x01) << "play";
    EXPECT_EQ(sim->snapshot().rate, 1.0);
}

TEST_F(Panel, WithTheCassetteOutTheDeckSaysSoAndStaysStillUntilOneIsLoaded) {
    sim->setPosition(ninepin::FramesOf(0, 1, 0, 0));
    ASSERT_EQ(line->ask(play, 3), ack);
    sim->ejectTape();
    Bytes s = status();
    ASSERT_EQ(s.size(), 12u);
    EXPECT_EQ(s[2], 0x20) << "cassette out";
    EXPECT_EQ(s[3], 0x10) << "ejected";
    const auto out = sim->snapshot();
    EXPECT_EQ(out.rate, 0.0) << "the time stands";
    EXPECT_EQ(line->ask(play, 3), ack);
    EXPECT_EQ(sim->snapshot().rate, 0.0) << "no play without a tape";
    EXPECT_EQ(sim->snapshot().mode, DeckModel::Mode::Ejected);

    sim->loadTape();
    s = status();
    ASSERT_EQ(s.size(), 12u);
    EXPECT_EQ(s[2], 0x00) << "cassette in";
    EXPECT_EQ(s[3], 0x20) << "stop";
    EXPECT_EQ(line->ask(play, 3), ack);
    EXPECT_EQ(sim->snapshot().mode, DeckModel::Mode::Play);
}

TEST_F(Panel, APacedReplyTakesTheLineTimeOfItsBytesAndIsTracedWhole) {
    sim->setPaced(true);
    sim->setGarbage(200); // a long reply: 207 bytes take at least 206 * 0.29 ms to send
    const auto sent = clock_type::now();
    const Bytes got = line->ask(timeRequest, 207);
    const auto complete = clock_type::now();
    ASSERT_EQ(got.size(), 207u);
    EXPECT_EQ(got[0], 0xEE);
    EXPECT_EQ(Bytes(got.end() - 7, got.end()), (Bytes{0x74, 0x04, 0x00, 0x00, 0x00, 0x00, 0x78}));
    EXPECT_GE(complete - sent, 59ms);

    ASSERT_TRUE(log->waitForLine(" TX "));
    const auto lines = log->lines();
    ASSERT_EQ(lines.size(), 2u) << "one RX line, one TX line";
    EXPECT_NE(lines[1].find(" TX EE EE "), std::string::npos);
    EXPECT_EQ(lines[1].substr(lines[1].size() - 21), "74 04 00 00 00 00 78 ");
}

TEST_F(Panel, EachControlLineChangesWhatTheDeckDoes) {
    const Bytes zeroTime{0x74, 0x04, 0x00, 0x00, 0x00, 0x00, 0x78};
    const Bytes garbled{0xEE, 0xEE, 0x74, 0x04, 0x00, 0x00, 0x00, 0x00, 0x78};
    int stoppedAt = -1;
    struct Case {
        const char* line;
        std::function<void()> check;
    };
    const std::vector<Case> cases = {
        {"local on", [&] { EXPECT_EQ(statusByte0(), 0x01); }},
        {"local off", [&] { EXPECT_EQ(statusByte0(), 0x00); }},
        {"eject", [&] { EXPECT_EQ(statusByte0(), 0x20); }},
        {"load", [&] { EXPECT_EQ(statusByte0(), 0x00); }},
        {"time vitc",
         [&] {
             EXPECT_EQ(time(0x00), ninepin::Frame(0x7, 0x06, {0, 0, 0, 0}));
         }},
        {"time timer1",
         [&] {
             EXPECT_EQ(time(0x00), ninepin::Frame(0x7, 0x00, {0, 0, 0, 0}));
         }},
        {"time ltc", [&] { EXPECT_EQ(time(0x00), zeroTime); }},
        {"garbage 2", [&] { EXPECT_EQ(line->ask(timeRequest, 9), garbled); }},
        {"garbage 0", [&] { EXPECT_EQ(time(), zeroTime); }},
        {"drop-byte on",
         [&] {
             EXPECT_EQ(line->ask(timeRequest, 6), Bytes(zeroTime.begin(), zeroTime.end() - 1));
         }},
        {"drop-byte off", [&] { EXPECT_EQ(time(), zeroTime) << "whole, nothing left over"; }},
        {"nak-every 1", [&] { EXPECT_EQ(line->ask(timeRequest, 4), ninepin::Nak(0x80)); }},
        {"nak-every 0", [&] { EXPECT_EQ(time(), zeroTime); }},
        {"late 300",
         [&] {
             const auto sent = clock_type::now();
             EXPECT_EQ(time(), zeroTime);
             EXPECT_GE(clock_type::now() - sent, 300ms);
         }},
        {"late 0", [&] { EXPECT_EQ(time(), zeroTime); }},
        {"delay 300",
         [&] {
             const auto sent = clock_type::now();
             EXPECT_EQ(time(), zeroTime);
             EXPECT_GE(clock_type::now() - sent, 300ms);
         }},
        {"delay 1", [&] { EXPECT_EQ(time(), zeroTime); }},
        {"no-reply on",
         [&] {
             log->clear();
             ASSERT_TRUE(line->write(statusRequest));
             ASSERT_TRUE(line->write(timeRequest));
             // The deck serves frames in turn and drops a half frame only after them.
             ASSERT_TRUE(line->write({0x61}));
             ASSERT_TRUE(log->waitForLine(" DROP 61 "));
             // The deck traces a reply after writing it, so the last case's TX line may land
             // after the clear; it comes before the deck takes these frames in.
             bool received = false;
             for (const auto& l : log->lines()) {
                 received = received || l.find(" RX ") != std::string::npos;
                 if (received) {
                     EXPECT_EQ(l.find(" TX "), std::string::npos) << "answered: " << l;
                 }
             }
             EXPECT_TRUE(received);
         }},
        {"no-reply off", [&] { EXPECT_EQ(time(), zeroTime); }},
        {"frozen on", [&] { EXPECT_TRUE(sim->snapshot().frozen); }},
        {"frozen off", [&] { EXPECT_FALSE(sim->snapshot().frozen); }},
        {"paced on",
         [&] {
             sim->setGarbage(200);
             const auto sent = clock_type::now();
             EXPECT_EQ(line->ask(timeRequest, 207).size(), 207u);
             EXPECT_GE(clock_type::now() - sent, 59ms) << "a byte at a time";
             sim->setGarbage(0);
         }},
        {"paced off", [&] { EXPECT_EQ(time(), zeroTime); }},
        {"speed 100",
         [&] {
             ASSERT_EQ(line->ask(play, 3), ack);
             // Ten seconds of tape at play speed; a deck at 100 times gets there in 0.1 s.
             const auto end = clock_type::now() + 5s;
             while (sim->snapshot().frames < 300 && clock_type::now() < end)
                 std::this_thread::sleep_for(5ms);
             EXPECT_GE(sim->snapshot().frames, 300);
         }},
        {"speed 1",
         [&] {
             EXPECT_EQ(line->ask(stop, 3), ack);
             stoppedAt = sim->snapshot().frames;
         }},
        {"jump -30", [&] { EXPECT_EQ(sim->snapshot().frames, stoppedAt - 30); }},
        {"jump 45",
         [&] {
             EXPECT_EQ(sim->snapshot().frames, stoppedAt + 15);
             EXPECT_EQ(sim->snapshot().mode, DeckModel::Mode::Stop) << "the transport as it was";
         }},
        {"gone", [&] { EXPECT_FALSE(line->write(timeRequest)) << "the line is closed"; }},
        {"back",
         [&] {
             line = std::make_unique<RawLine>(sim->path());
             const Bytes got = time();
             ASSERT_EQ(got.size(), 7u);
             EXPECT_EQ(got[0], 0x74);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(ApplyControl(*sim, c.line), std::string("ok ") + c.line);
        c.check();
    }
}

TEST_F(Panel, AMalformedControlLineIsRefusedAndChangesNothing) {
    const Bytes zeroTime{0x74, 0x04, 0x00, 0x00, 0x00, 0x00, 0x78};
    const Bytes before = status();
    ASSERT_EQ(before.size(), 12u);
    struct Case {
        const char* line;
        const char* error;
    };
    const std::vector<Case> cases = {
        {"fly", "error: unknown command: fly"},
        {"LOCAL on", "error: unknown command: LOCAL on"},
        {"local", "error: local needs a value: local"},
        {"local yes", "error: local needs on or off: local yes"},
        {"local on now", "error: too many words: local on now"},
        {"time smpte", "error: time needs ltc, vitc or timer1: time smpte"},
        {"late -5", "error: late needs a whole number: late -5"},
        {"delay 1.5", "error: delay needs a whole number: delay 1.5"},
        {"nak-every 2147483648", "error: nak-every needs a whole number: nak-every 2147483648"},
        {"garbage 0x10", "error: garbage needs a whole number: garbage 0x10"},
        {"frozen please", "error: frozen needs on or off: frozen please"},
        {"speed 0", "error: speed needs a positive number: speed 0"},
        {"speed -2", "error: speed needs a positive number: speed -2"},
        {"jump +5", "error: jump needs a whole number of frames, e.g. 30 or -30: jump +5"},
        {"jump --5", "error: jump needs a whole number of frames, e.g. 30 or -30: jump --5"},
        {"  gone away ", "error: too many words: gone away"},
    };
    for (const auto& c : cases) EXPECT_EQ(ApplyControl(*sim, c.line), c.error);
    EXPECT_EQ(ApplyControl(*sim, ""), "");
    EXPECT_EQ(ApplyControl(*sim, " \t "), "");

    EXPECT_EQ(status(), before) << "not local, not ejected";
    EXPECT_EQ(time(0x00), zeroTime) << "no garbage, NAK, dropped byte or other time kind";
    EXPECT_FALSE(sim->snapshot().frozen);
    EXPECT_TRUE(line->write(timeRequest)) << "the line is up";
    EXPECT_EQ(line->read(7), zeroTime);

    EXPECT_EQ(ApplyControl(*sim, "  local   on \r"), "ok local   on")
        << "blanks around do not count";
    EXPECT_EQ(statusByte0(), 0x01);
}
