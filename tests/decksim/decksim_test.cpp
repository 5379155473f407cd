// The simulator driven the way KOLB drives a deck: through a pseudo-terminal and the deck link.
#include "DeckRig.h"
#include "DeckSim.h"
#include "Pty.h"
#include "SerOutPort.h"
#include "TraceLog.h"
#include "Utils.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <mutex>
#include <thread>

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;
using clock_type = std::chrono::steady_clock;

namespace {

// One exchange through the link as KOLB makes it. When the reply has not all come within the
// link's wait (a busy machine can hold the deck's thread up for longer), the rest is read as it
// comes, for up to five seconds: these tests are about what the deck answers, not when. The
// reply's length is `expected`, or else what its first byte says.
Bytes exchange(SerOutPort& link, const Bytes& frame, size_t expected = 0) {
    const DeckReply r = link.SendSerial(frame);
    Bytes got(r.bytes.begin(), r.bytes.begin() + r.count);
    const auto wanted = [&]() -> size_t {
        if (expected > 0) return expected;
        return got.empty() ? 1 : ninepin::FrameLength(got[0]);
    };
    const auto end = clock_type::now() + 5s;
    while (got.size() < wanted() && clock_type::now() < end) {
        std::this_thread::sleep_for(1ms);
        const DeckReply more = link.ReadSer();
        got.insert(got.end(), more.bytes.begin(), more.bytes.begin() + more.count);
    }
    return got;
}

// A time read and when it was taken: the deck read its clock between `sent` and `answered`.
struct TimedRead {
    int frames;
    clock_type::time_point sent, answered;
};

// The frames the clock moved between two reads lie between what it moves in the time between
// the first answer and the second request, and in the time between the first request and the
// second answer (one frame either way for the whole frames a reply carries).
::testing::AssertionResult MovedAtRate(const TimedRead& a, const TimedRead& b, double fps) {
    const double least = std::chrono::duration<double>(b.sent - a.answered).count() * fps - 1;
    const double most = std::chrono::duration<double>(b.answered - a.sent).count() * fps + 1;
    const int moved = b.frames - a.frames;
    if (a.frames >= 0 && b.frames >= 0 && moved >= least && moved <= most)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "moved " << moved << " frames, expected " << least << " to " << most << " (reads "
           << a.frames << ", " << b.frames << ")";
}

class Deck : public ::testing::Test {
protected:
    // None of these tests is about the deck link's 9 ms reply wait, so the link waits longer.
    void start(DeckSim::Options opts = {}) {
        Utils::SetLineSink([this](const std::string& l) {
            std::lock_guard lock(linesMutex);
            lines.push_back(l);
        });
        sim = std::make_unique<DeckSim>(opts);
        link = std::make_unique<SerOutPort>(sim->path());
        link->setwait(DeckRig::patientWait);
    }
    void TearDown() override {
        link.reset();
        sim.reset();
        Utils::SetLineSink({});
    }

    Bytes send(const Bytes& frame, size_t expected = 0) { return exchange(*link, frame, expected); }
    Bytes status() { return send({0x61, 0x20, 0x09, 0x8A}); }
    int timecode() {
        const Bytes r = send({0x61, 0x0C, 0x03, 0x70});
        if (r.size() != 7 || r[0] != 0x74) return -1;
        return ninepin::FramesOf(ninepin::FromBcd(r[5]), ninepin::FromBcd(r[4]),
                                 ninepin::FromBcd(r[3]), ninepin::FromBcd(r[2]));
    }
    TimedRead timedTimecode() {
        TimedRead r;
        r.sent = clock_type::now();
        r.frames = timecode();
        r.answered = clock_type::now();
        return r;
    }

    std::unique_ptr<DeckSim> sim;
    std::unique_ptr<SerOutPort> link;
    std::mutex linesMutex; // guards lines
    std::vector<std::string> lines;
};

const Bytes ack{0x10, 0x01, 0x11};

} // namespace

TEST_F(Deck, EveryFrameOfTheCommandTableIsAcknowledgedAndSetsItsStatusBits) {
    DeckSim::Options opts;
    opts.deck.seekMs = 0;
    start(opts);
    sim->setPosition(ninepin::FramesOf(0, 10, 0, 0));
    struct Case {
        const char* name;
        Bytes frame;
        std::uint8_t byte1, byte2; // status bytes 1 and 2 after it
        DeckModel::Mode mode;
    };
    using M = DeckModel::Mode;
    const std::vector<Case> cases = {
        {"play", {0x20, 0x01, 0x21}, 0x01, 0x80, M::Play},
        {"pause", {0x21, 0x13, 0x00, 0x34}, 0x00, 0x22, M::Shuttle},
        {"record", {0x20, 0x02, 0x22}, 0x02, 0x80, M::Record},
        {"stop", {0x20, 0x00, 0x20}, 0x20, 0x00, M::Stop},
        {"forward", {0x20, 0x10, 0x30}, 0x04, 0x00, M::FastForward},
        {"rewind", {0x20, 0x20, 0x40}, 0x08, 0x04, M::Rewind},
        {"slowfifth", {0x21, 0x12, 0x2D, 0x60}, 0x00, 0x08, M::Var},
        {"slowthird", {0x21, 0x12, 0x30, 0x63}, 0x00, 0x08, M::Var},
        {"slowhalf", {0x21, 0x12, 0x36, 0x69}, 0x00, 0x08, M::Var},
        {"fasttwo", {0x21, 0x13, 0x4A, 0x7E}, 0x00, 0x20, M::Shuttle},
        {"fastfive", {0x21, 0x13, 0x56, 0x8A}, 0x00, 0x20, M::Shuttle},
        {"jogf", {0x21, 0x11, 0x10, 0x42}, 0x00, 0x10, M::Jog},
        {"jogr", {0x21, 0x21, 0x10, 0x52}, 0x00, 0x14, M::Jog},
        {"shutfwd 20", {0x21, 0x13, 0x20, 0x54}, 0x00, 0x20, M::Shuttle},
        {"shutrev 20", {0x21, 0x23, 0x20, 0x64}, 0x00, 0x24, M::Shuttle},
        {"stop again", {0x20, 0x00, 0x20}, 0x20, 0x00, M::Stop},
        {"sbyon", {0x20, 0x05, 0x25}, 0xA0, 0x00, M::Stop},
        {"sbyoff", {0x20, 0x04, 0x24}, 0x20, 0x00, M::Stop},
        {"eeon", {0x20, 0x61, 0x81}, 0x20, 0x00, M::Stop},
        {"eeoff", {0x20, 0x60, 0x80}, 0x20, 0x00, M::Stop},
        {"settimemode", {0x41, 0x36, 0x00, 0x77}, 0x20, 0x00, M::Stop},
        {"setpreroll", {0x44, 0x31, 0x00, 0x05, 0x00, 0x00, 0x7A}, 0x20, 0x00, M::Stop},
        {"vidrefdisableon", {0x40, 0x48, 0x88}, 0x20, 0x00, M::Stop},
        {"vidrefdisableoff", {0x40, 0x49, 0x89}, 0x20, 0x00, M::Stop},
        {"setbvw75", {0xF3, 0x02, 0xD0, 0x00, 0x10, 0xD5}, 0x20, 0x00, M::Stop},
        {"setcompression", {0xF3, 0x02, 0xA1, 0x04, 0x00, 0x9A}, 0x20, 0x00, M::Stop},
        {"cue", {0x24, 0x31, 0x04, 0x03, 0x02, 0x01, 0x5F}, 0x00, 0x03, M::Still},
        {"eject", {0x20, 0x0F, 0x2F}, 0x10, 0x00, M::Ejected},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(send(c.frame), ack);
        // The deck acknowledges after it has acted, so the status read next shows the change.
        const Bytes s = status();
        ASSERT_EQ(s.size(), 12u);
        EXPECT_EQ(s[0], 0x79);
        EXPECT_EQ(s[1], 0x20);
        EXPECT_EQ(s[3], c.byte1);
        EXPECT_EQ(s[4], c.byte2);
        EXPECT_EQ(s[11], ninepin::Checksum(Bytes(s.begin(), s.end() - 1)));
        EXPECT_EQ(sim->snapshot().mode, c.mode);
    }
    const Bytes ejected = status();
    ASSERT_EQ(ejected.size(), 12u);
    EXPECT_EQ(ejected[2], 0x20) << "tape out after eject";
    EXPECT_EQ(sim->timeMode(), 0);
    EXPECT_EQ(sim->setupValues(),
              (std::map<std::uint8_t, std::uint8_t>{{0xD0, 0x00}, {0xA1, 0x04}}));
    EXPECT_TRUE(sim->snapshot().ee == false);

    // Device type: a 525-line deck; a status request for fewer bytes gets a shorter reply.
    const Bytes id = send({0x00, 0x11, 0x11});
    ASSERT_EQ(id.size(), 5u);
    EXPECT_EQ(id[0], 0x12);
    EXPECT_EQ(id[1], 0x11);
    EXPECT_EQ(id[2] & 0x0F, 0);
    EXPECT_EQ(send({0x61, 0x20, 0x12, 0x93}), (Bytes{0x72, 0x20, 0x10, 0x00, 0xA2}));
}

TEST_F(Deck, InPlayTheTimeMovesThirtyFramesASecondAndInStopItStands) {
    start();
    sim->setPosition(ninepin::FramesOf(0, 0, 10, 0));
    ASSERT_EQ(send({0x20, 0x01, 0x21}), ack);
    const TimedRead first = timedTimecode();
    std::this_thread::sleep_for(2s); // the span the clock is measured over
    EXPECT_TRUE(MovedAtRate(first, timedTimecode(), 30));

    ASSERT_EQ(send({0x20, 0x00, 0x20}), ack);
    const int stopped = timecode();
    ASSERT_GE(stopped, 0);
    std::this_thread::sleep_for(300ms); // a span in which the time must not move
    EXPECT_EQ(timecode(), stopped);
}

TEST_F(Deck, ACueEndsAtItsPointInStillWithCueUpCompleteAfterTheSeekTime) {
    DeckSim::Options opts;
    opts.deck.seekMs = 1000;
    start(opts);
    const auto t0 = clock_type::now();
    ASSERT_EQ(send({0x24, 0x31, 0x04, 0x03, 0x02, 0x01, 0x5F}), ack);
    Bytes s = status();
    ASSERT_EQ(s.size(), 12u);
    EXPECT_EQ(s[6], 0x01) << "preroll while the cue is under way";
    while (!(s[4] & 0x01)) {
        ASSERT_LT(clock_type::now() - t0, 10s) << "cue never completed";
        s = status();
        ASSERT_EQ(s.size(), 12u);
    }
    // The seek takes its 1000 ms, not the 3000 ms a seek of an hour by distance would.
    const auto took = clock_type::now() - t0;
    EXPECT_GE(took, 990ms);
    EXPECT_LE(took, 2000ms);
    EXPECT_EQ(send({0x61, 0x0C, 0x03, 0x70}), ninepin::Frame(0x7, 0x04, {0x04, 0x03, 0x02, 0x01}));
    s = status();
    ASSERT_EQ(s.size(), 12u);
    EXPECT_EQ(s[4], 0x03) << "still and cue-up complete";
    std::this_thread::sleep_for(200ms); // a span in which the point must hold
    EXPECT_EQ(timecode(), ninepin::FramesOf(1, 2, 3, 4)) << "it holds the point";
    ASSERT_EQ(send({0x21, 0x13, 0x00, 0x34}), ack);
    s = status();
    ASSERT_EQ(s.size(), 12u);
    EXPECT_EQ(s[4] & 0x01, 0) << "cue-up complete ends with the next transport command";
}

TEST_F(Deck, BadFramesGetTheirNakBitsAndAShortFrameIsDropped) {
    start();
    EXPECT_EQ(send({0x20, 0x01, 0x22}), (Bytes{0x11, 0x12, 0x04, 0x27})) << "checksum error";
    EXPECT_EQ(send({0x30, 0x01, 0x31}), (Bytes{0x11, 0x12, 0x01, 0x24})) << "undefined command";
    EXPECT_EQ(send({0x20, 0x77, 0x97}), (Bytes{0x11, 0x12, 0x01, 0x24})) << "undefined transport";
    EXPECT_EQ(send({0xF3, 0x05, 0x40, 0x00, 0x00, 0x00}), (Bytes{0x11, 0x12, 0x04, 0x27}))
        << "format frame stored without its checksum";

    // The log takes its callback off the deck when it goes out of scope, however the test ends.
    TraceLog log(*sim);
    ASSERT_TRUE(link->SendSer(Bytes{0x61, 0x0C}));
    // The deck gives up after 10 ms of quiet; two seconds is room enough for a busy machine.
    ASSERT_TRUE(log.waitForLine(" DROP ", 2000)) << "the deck gives up on the half frame";
    EXPECT_EQ(send({0x20, 0x00, 0x20}), ack) << "the next good frame is answered";
    ASSERT_TRUE(log.waitForLine(" TX 10 01 11 "));
    const auto trace = log.lines();
    ASSERT_EQ(trace.size(), 3u);
    EXPECT_NE(trace[0].find(" DROP 61 0C "), std::string::npos) << trace[0];
    EXPECT_NE(trace[1].find(" RX 20 00 20 "), std::string::npos) << trace[1];
}

TEST_F(Deck, EachFaultShowsOnTheControllerSide) {
    start();
    const Bytes tc{0x61, 0x0C, 0x03, 0x70};

    sim->setNoReply(true);
    EXPECT_EQ(link->SendSerial(tc).count, 0);
    EXPECT_EQ(link->SerCount(), 0);
    sim->setNoReply(false);

    {
        TraceLog log(*sim);
        sim->setLateMs(DeckRig::patientWait + 300);
        EXPECT_EQ(link->SendSerial(tc).count, 0) << "the reply misses the wait";
        sim->setLateMs(0);
        ASSERT_TRUE(log.waitForLine(" TX 74 04 ")) << "the late reply comes";
        EXPECT_EQ(send(tc, 7), Bytes({0x74, 0x04, 0x00, 0x00, 0x00, 0x00, 0x78}))
            << "the late reply is dropped before the next exchange";
    }

    sim->setGarbage(2);
    const Bytes noisy = send(tc, 9);
    ASSERT_EQ(noisy.size(), 9u);
    EXPECT_EQ(noisy[0], 0xEE);
    EXPECT_EQ(noisy[2], 0x74);
    sim->setGarbage(0);

    sim->setDropByte(true);
    EXPECT_EQ(send(tc, 6).size(), 6u);
    sim->setDropByte(false);

    sim->setNakEvery(2);
    const Bytes first = send({0x20, 0x01, 0x21});
    const Bytes second = send({0x20, 0x01, 0x21});
    EXPECT_TRUE((first == ack) != (second == ack)) << "one of two is refused";
    EXPECT_TRUE(first == Bytes({0x11, 0x12, 0x80, 0xA3}) ||
                second == Bytes({0x11, 0x12, 0x80, 0xA3}));
    sim->setNakEvery(0);

    ASSERT_EQ(send({0x20, 0x01, 0x21}), ack);
    sim->setFrozen(true);
    const int frozenAt = timecode();
    ASSERT_GE(frozenAt, 0);
    std::this_thread::sleep_for(200ms); // a span in which the frozen clock must not move
    EXPECT_EQ(timecode(), frozenAt);
    const Bytes playing = status();
    ASSERT_EQ(playing.size(), 12u);
    EXPECT_EQ(playing[3], 0x01) << "the status still says play";
    sim->setFrozen(false);

    sim->setSpeedFactor(10);
    const TimedRead fast = timedTimecode();
    std::this_thread::sleep_for(300ms); // the span the clock is measured over
    EXPECT_TRUE(MovedAtRate(fast, timedTimecode(), 300)) << "ten times play speed";
    sim->setSpeedFactor(1);

    const std::string before = sim->path();
    sim->disappear();
    {
        std::lock_guard lock(linesMutex);
        lines.clear();
    }
    EXPECT_EQ(link->SendSerial(tc).count, 0);
    {
        std::lock_guard lock(linesMutex);
        EXPECT_EQ(lines, std::vector<std::string>{"Deck link lost: " + before});
    }
    sim->comeBack();
    SerOutPort again(sim->path());
    again.setwait(DeckRig::patientWait);
    EXPECT_EQ(exchange(again, tc).size(), 7u) << "the deck answers on its new line";
}

TEST_F(Deck, TheTraceListsExactlyTheFramesSentInOrder) {
    char name[] = "/tmp/kolb-trace-XXXXXX";
    const int fd = ::mkstemp(name);
    ::close(fd);
    DeckSim::Options opts;
    opts.traceFile = name;
    start(opts);
    const std::vector<Bytes> frames = {{0x41, 0x36, 0x00, 0x77}, {0x61, 0x0C, 0x03, 0x70},
                                       {0x61, 0x20, 0x09, 0x8A}, {0x20, 0x01, 0x21},
                                       {0x21, 0x13, 0x20, 0x54}, {0x20, 0x00, 0x20}};
    for (const auto& f : frames) send(f);
    sim.reset();
    std::ifstream in(name);
    std::vector<std::string> rx;
    std::string line;
    long lastMs = -1;
    while (std::getline(in, line)) {
        const long ms = std::stol(line);
        EXPECT_GE(ms, lastMs) << "times never go back";
        lastMs = ms;
        const auto at = line.find(" RX ");
        if (at != std::string::npos)
            rx.push_back(line.substr(at + 4));
        else
            EXPECT_NE(line.find(" TX "), std::string::npos) << line;
    }
    std::vector<std::string> expected;
    for (const auto& f : frames) expected.push_back(Utils::BS2S(f, static_cast<int>(f.size())));
    EXPECT_EQ(rx, expected);
    ::unlink(name);
}

TEST(DeckOnADevice, DrivesAnExistingSerialDeviceInsteadOfItsOwnPty) {
    // A pseudo-terminal's slave stands in for an RS-422 adapter; the test is the controller.
    Pty line;
    DeckSim::Options opts;
    opts.device = line.slavePath();
    DeckSim sim(opts);
    EXPECT_EQ(sim.path(), line.slavePath());
    line.write({0x20, 0x01, 0x21});
    EXPECT_EQ(line.read(3, 5000), ack);
    line.write({0x61, 0x20, 0x09, 0x8A});
    const Bytes status = line.read(12, 5000);
    ASSERT_EQ(status.size(), 12u);
    EXPECT_EQ(status[3], 0x01) << "playing";
}
