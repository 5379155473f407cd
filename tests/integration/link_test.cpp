#include "Pty.h"
#include "SerOutPort.h"
#include "Utils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <termios.h>
#include <thread>

using Bytes = std::vector<std::uint8_t>;
using clock_type = std::chrono::steady_clock;

namespace {

// A deck link over a real pseudo-terminal, with the console lines it writes kept.
class Link : public ::testing::Test {
protected:
    void SetUp() override {
        Utils::SetLineSink([this](const std::string& l) {
            std::lock_guard lock(linesMutex);
            lines.push_back(l);
        });
        link = std::make_unique<SerOutPort>(pty.slavePath());
        link->setwait(9);
    }
    void TearDown() override { Utils::SetLineSink({}); }

    Bytes replyBytes(const DeckReply& r) const {
        return Bytes(r.bytes.begin(), r.bytes.begin() + r.count);
    }

    Pty pty;
    std::unique_ptr<SerOutPort> link;
    std::mutex linesMutex; // guards lines
    std::vector<std::string> lines;
};

const Bytes play{0x20, 0x01, 0x21};
const Bytes timeSense{0x61, 0x0C, 0x03, 0x70};

} // namespace

TEST_F(Link, OpensAtTheDeckLineSettingsAndSendsTheFrameExactly) {
    ASSERT_FALSE(link->bad());
    EXPECT_TRUE(link->hasSerialPort());
    EXPECT_TRUE(link->hasOutStream());
    // A pty has no modem lines: the link says so and goes on.
    EXPECT_EQ(lines, (std::vector<std::string>{"Unable to set DTR", "Unable to set RTS"}));

    termios tio{};
    ASSERT_EQ(::tcgetattr(pty.slave(), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), B38400);
    EXPECT_EQ(cfgetispeed(&tio), B38400);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_TRUE(tio.c_cflag & PARODD) << "odd parity";
    EXPECT_FALSE(tio.c_cflag & CSTOPB) << "one stop bit";
    // The Linux pty driver always clears PARENB, whatever is asked; a real adapter keeps it
    // (the termios the link asks for is checked in the unit tests).

    link->SendSerial(timeSense);
    EXPECT_EQ(pty.read(4), timeSense);
    EXPECT_EQ(pty.read(1, 50), Bytes{}) << "nothing more than the frame";
}

TEST_F(Link, ASilentDeckGivesSixteenZeroBytesAndACountOfZeroAfterTheWait) {
    const auto t0 = clock_type::now();
    const DeckReply r = link->SendSerial(play);
    EXPECT_GE(clock_type::now() - t0, std::chrono::milliseconds(9));
    EXPECT_EQ(r.count, 0);
    EXPECT_EQ(link->SerCount(), 0);
    EXPECT_EQ(r.bytes, (std::array<std::uint8_t, 16>{}));
}

TEST_F(Link, ALateReplyArrivesInFrontOfTheNextExchangesReply) {
    link->SendSerial(play);
    pty.read(3);
    pty.write({0x10, 0x01, 0x11}); // too late for that exchange
    std::thread deck([&] {
        pty.read(4);
        pty.write({0x74, 0x04, 0x12, 0x34, 0x56, 0x01, 0x15});
    });
    const DeckReply r = link->SendSerial(timeSense);
    deck.join();
    EXPECT_EQ(replyBytes(r), (Bytes{0x10, 0x01, 0x11, 0x74, 0x04, 0x12, 0x34, 0x56, 0x01, 0x15}));
    EXPECT_EQ(link->SerCount(), 10);
}

TEST_F(Link, MoreThanSixteenWaitingBytesLeaveTheLastPortion) {
    Bytes many;
    for (int i = 0; i < 20; ++i) many.push_back(static_cast<std::uint8_t>(0xA0 + i));
    pty.write(many);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const DeckReply r = link->SendSerial(play);
    EXPECT_EQ(r.count, 4);
    EXPECT_EQ(link->SerCount(), 4);
    EXPECT_EQ(replyBytes(r), (Bytes{0xB0, 0xB1, 0xB2, 0xB3}));
    // The rest of the buffer still holds the first portion's later bytes.
    EXPECT_EQ(r.bytes[4], 0xA4);
    EXPECT_EQ(r.bytes[15], 0xAF);
}

TEST_F(Link, AWriteErrorReportsAndReturnsTheClearedBufferAtOnce) {
    pty.write({0x10, 0x01, 0x11});
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    link->setwait(200);
    ASSERT_EQ(link->SendSerial(play).count, 3);
    pty.write({0x10, 0x01, 0x11});
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    pty.closeMaster(); // the deck's end of the line is gone
    lines.clear();
    const auto t0 = clock_type::now();
    const DeckReply r = link->SendSerial(play);
    EXPECT_LT(clock_type::now() - t0, std::chrono::milliseconds(150)) << "no reply wait";
    EXPECT_EQ(lines, std::vector<std::string>{"Unable to write to Serial Port"});
    EXPECT_EQ(r.bytes, (std::array<std::uint8_t, 16>{}));
    EXPECT_EQ(r.count, 0) << "this exchange took no reply";
    EXPECT_EQ(link->SerCount(), 3) << "the last count is kept";
    EXPECT_FALSE(link->SendSer(play));
}

TEST_F(Link, ExchangesOfTwoThreadsNeverInterleave) {
    // Not about the reply wait: a far end held up on a busy machine still answers in time.
    link->setwait(100);
    // The far end answers each whole 4-byte frame with a reply naming that frame's command.
    std::atomic<bool> running{true};
    std::atomic<int> badFrames{0};
    std::thread deck([&] {
        Bytes pending;
        while (running) {
            const Bytes got = pty.read(1, 20);
            pending.insert(pending.end(), got.begin(), got.end());
            while (pending.size() >= 4) {
                const Bytes frame(pending.begin(), pending.begin() + 4);
                pending.erase(pending.begin(), pending.begin() + 4);
                if ((frame[0] + frame[1] + frame[2]) % 256 != frame[3]) ++badFrames;
                pty.write({0x7A, frame[1], frame[2]});
            }
        }
    });
    auto client = [&](std::uint8_t cmd, int& mismatches) {
        const Bytes frame{0x21, cmd, 0x10, static_cast<std::uint8_t>(0x31 + cmd)};
        for (int i = 0; i < 25; ++i) {
            const DeckReply r = link->SendSerial(frame);
            if (r.count != 3 || r.bytes[1] != cmd) ++mismatches;
        }
    };
    int mismatchA = 0;
    int mismatchB = 0;
    std::thread a(client, std::uint8_t{0x11}, std::ref(mismatchA));
    std::thread b(client, std::uint8_t{0x21}, std::ref(mismatchB));
    a.join();
    b.join();
    running = false;
    deck.join();
    EXPECT_EQ(badFrames, 0);
    EXPECT_EQ(mismatchA, 0);
    EXPECT_EQ(mismatchB, 0);
}

TEST_F(Link, ALongerWaitLengthensEveryExchange) {
    // The quickest of several exchanges: a busy machine only ever makes one slower.
    auto quickest = [&](int wait) {
        link->setwait(wait);
        double best = 1e9;
        for (int i = 0; i < 5; ++i) {
            const auto t0 = clock_type::now();
            link->SendSerial(play);
            best = std::min(best,
                            std::chrono::duration<double, std::milli>(clock_type::now() - t0).count());
        }
        return best;
    };
    const double nine = quickest(9);
    const double twentyFive = quickest(25);
    EXPECT_GE(nine, 9.0);
    EXPECT_LT(nine, 25.0);
    EXPECT_GE(twentyFive, 25.0);
}

TEST_F(Link, AFarEndThatStopsReadingHoldsTheLinkOnlyAboutHalfASecond) {
    // Nobody reads the deck's end of the line: its buffers fill up and a write can go no further.
    const auto t0 = clock_type::now();
    EXPECT_FALSE(link->SendSer(Bytes(256 * 1024, 0x20)));
    EXPECT_LT(clock_type::now() - t0, std::chrono::seconds(5)) << "the write gave up";
    {
        std::lock_guard lock(linesMutex);
        lines.clear();
    }
    // Two threads want the link: each exchange fails on its own bound and the other gets its turn.
    std::vector<std::chrono::milliseconds> took(2);
    std::vector<int> counts(2, -1);
    auto exchange = [&](size_t i) {
        const auto start = clock_type::now();
        counts[i] = link->SendSerial(play).count;
        took[i] = std::chrono::duration_cast<std::chrono::milliseconds>(clock_type::now() - start);
    };
    std::thread other(exchange, 1);
    exchange(0);
    other.join();
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(counts[i], 0) << i;
        EXPECT_LT(took[i], std::chrono::seconds(5)) << i;
    }
    // One of the two waited for the other's failed write as well as its own.
    EXPECT_GE(std::max(took[0], took[1]), std::chrono::milliseconds(900));
    std::lock_guard lock(linesMutex);
    EXPECT_EQ(lines, (std::vector<std::string>{"Unable to write to Serial Port",
                                               "Unable to write to Serial Port"}));
}

TEST_F(Link, APortThatCannotBeOpenedIsReportedAndMarkedBad) {
    lines.clear();
    SerOutPort missing("/dev/kolb-missing-port");
    EXPECT_TRUE(missing.bad());
    EXPECT_FALSE(missing.hasSerialPort());
    EXPECT_EQ(lines,
              (std::vector<std::string>{" ", "Serial Port /dev/kolb-missing-port not available"}));
}
