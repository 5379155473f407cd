// The simulator driven the way KOLB drives a deck: through a pseudo-terminal and the deck link.
#include "DeckSim.h"
#include "Pty.h"
#include "SerOutPort.h"
#include "Utils.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

namespace {

class Deck : public ::testing::Test {
protected:
    void start(DeckSim::Options opts = {}) {
        Utils::SetLineSink([this](const std::string& l) {
            std::lock_guard lock(linesMutex);
            lines.push_back(l);
        });
        sim = std::make_unique<DeckSim>(opts);
        link = std::make_unique<SerOutPort>(sim->path());
        link->setwait(9);
    }
    void TearDown() override {
        link.reset();
        sim.reset();
        Utils::SetLineSink({});
    }

    Bytes send(const Bytes& frame) {
        const DeckReply r = link->SendSerial(frame);
        return Bytes(r.bytes.begin(), r.bytes.begin() + r.count);
    }
    Bytes status() { return send({0x61, 0x20, 0x09, 0x8A}); }
    int timecode() {
        const Bytes r = send({0x61, 0x0C, 0x03, 0x70});
        if (r.size() != 7 || r[0] != 0x74) return -1;
        return ninepin::FramesOf(ninepin::FromBcd(r[5]), ninepin::FromBcd(r[4]),
                                 ninepin::FromBcd(r[3]), ninepin::FromBcd(r[2]));
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
        {"fastfive", {0x21, 0x13, 0x82, 0xB6}, 0x00, 0x20, M::Shuttle},
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
        std::this_thread::sleep_for(5ms);
        const Bytes s = status();
        ASSERT_EQ(s.size(), 12u);
        EXPECT_EQ(s[0], 0x79);
        EXPECT_EQ(s[1], 0x20);
        EXPECT_EQ(s[3], c.byte1);
        EXPECT_EQ(s[4], c.byte2);
        EXPECT_EQ(s[11], ninepin::Checksum(Bytes(s.begin(), s.end() - 1)));
        EXPECT_EQ(sim->snapshot().mode, c.mode);
    }
    EXPECT_EQ(status()[2], 0x20) << "tape out after eject";
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
    const auto t0 = std::chrono::steady_clock::now();
    const int f0 = timecode();
    std::this_thread::sleep_for(2s);
    const int f1 = timecode();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_NEAR(f1 - f0, seconds * 30, 2.5);

    send({0x20, 0x00, 0x20});
    const int stopped = timecode();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(timecode(), stopped);
}

TEST_F(Deck, ACueEndsAtItsPointInStillWithCueUpCompleteAfterTheSeekTime) {
    DeckSim::Options opts;
    opts.deck.seekMs = 400;
    start(opts);
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(send({0x24, 0x31, 0x04, 0x03, 0x02, 0x01, 0x5F}), ack);
    EXPECT_EQ(status()[6], 0x01) << "preroll while the cue is under way";
    while (!(status()[4] & 0x01)) {
        ASSERT_LT(std::chrono::steady_clock::now() - t0, 3s) << "cue never completed";
    }
    const auto took = std::chrono::steady_clock::now() - t0;
    EXPECT_GE(took, 390ms);
    EXPECT_LE(took, 600ms);
    EXPECT_EQ(send({0x61, 0x0C, 0x03, 0x70}), ninepin::Frame(0x7, 0x04, {0x04, 0x03, 0x02, 0x01}));
    EXPECT_EQ(status()[4], 0x03) << "still and cue-up complete";
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(timecode(), ninepin::FramesOf(1, 2, 3, 4)) << "it holds the point";
    send({0x21, 0x13, 0x00, 0x34});
    EXPECT_EQ(status()[4] & 0x01, 0) << "cue-up complete ends with the next transport command";
}

TEST_F(Deck, BadFramesGetTheirNakBitsAndAShortFrameIsDropped) {
    start();
    EXPECT_EQ(send({0x20, 0x01, 0x22}), (Bytes{0x11, 0x12, 0x04, 0x27})) << "checksum error";
    EXPECT_EQ(send({0x30, 0x01, 0x31}), (Bytes{0x11, 0x12, 0x01, 0x24})) << "undefined command";
    EXPECT_EQ(send({0x20, 0x77, 0x97}), (Bytes{0x11, 0x12, 0x01, 0x24})) << "undefined transport";
    EXPECT_EQ(send({0xF3, 0x05, 0x40, 0x00, 0x00, 0x00}), (Bytes{0x11, 0x12, 0x04, 0x27}))
        << "format frame stored without its checksum";

    std::vector<std::string> trace;
    std::mutex traceMutex;
    sim->setTraceCallback([&](const std::string& l) {
        std::lock_guard lock(traceMutex);
        trace.push_back(l);
    });
    ASSERT_TRUE(link->SendSer(Bytes{0x61, 0x0C}));
    std::this_thread::sleep_for(40ms);
    EXPECT_EQ(send({0x20, 0x00, 0x20}), ack) << "the next good frame is answered";
    std::lock_guard lock(traceMutex);
    ASSERT_GE(trace.size(), 3u);
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

    sim->setLateMs(25);
    EXPECT_EQ(link->SendSerial(tc).count, 0) << "the reply misses the wait";
    sim->setLateMs(0);
    std::this_thread::sleep_for(40ms);
    EXPECT_EQ(link->SendSerial(tc).count, 14) << "late reply in front of the next one";

    sim->setGarbage(2);
    const Bytes noisy = send(tc);
    ASSERT_EQ(noisy.size(), 9u);
    EXPECT_EQ(noisy[0], 0xEE);
    EXPECT_EQ(noisy[2], 0x74);
    sim->setGarbage(0);

    sim->setDropByte(true);
    EXPECT_EQ(send(tc).size(), 6u);
    sim->setDropByte(false);

    sim->setNakEvery(2);
    const Bytes first = send({0x20, 0x01, 0x21});
    const Bytes second = send({0x20, 0x01, 0x21});
    EXPECT_TRUE((first == ack) != (second == ack)) << "one of two is refused";
    EXPECT_TRUE(first == Bytes({0x11, 0x12, 0x80, 0xA3}) ||
                second == Bytes({0x11, 0x12, 0x80, 0xA3}));
    sim->setNakEvery(0);

    send({0x20, 0x01, 0x21});
    sim->setFrozen(true);
    const int frozenAt = timecode();
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(timecode(), frozenAt);
    EXPECT_EQ(status()[3], 0x01) << "the status still says play";
    sim->setFrozen(false);

    sim->setSpeedFactor(10);
    const int fast0 = timecode();
    std::this_thread::sleep_for(300ms);
    EXPECT_NEAR(timecode() - fast0, 90, 25) << "ten times play speed";
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
        EXPECT_EQ(lines, std::vector<std::string>{"Unable to write to Serial Port"});
    }
    sim->comeBack();
    SerOutPort again(sim->path());
    again.setwait(9);
    EXPECT_EQ(again.SendSerial(tc).count, 7) << "the deck answers on its new line";
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
    EXPECT_EQ(line.read(3), ack);
    line.write({0x61, 0x20, 0x09, 0x8A});
    const Bytes status = line.read(12);
    ASSERT_EQ(status.size(), 12u);
    EXPECT_EQ(status[3], 0x01) << "playing";
}
