// The second port's reader polled by the test over a port whose bytes come in reads of a set
// length, so that the reads end anywhere: inside a message, between messages, one byte into the
// next message, with several messages in one read.
#include "QuietPort.h"
#include "SerInPort.h"
#include "Utils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

// The stream in reads of `burst` bytes: a poll finds at most that many waiting, and a byte the
// reader waits for is there at once.
class BurstPort : public QuietPort {
public:
    BurstPort(const Bytes& bytes, std::size_t burst) : rest(bytes), burst(burst) {}
    int rxReadyCount() override { return static_cast<int>(std::min(burst, rest.size())); }
    int getData(std::span<std::uint8_t> out, int offset, int length) override {
        const auto n = std::min({static_cast<std::size_t>(length), burst, rest.size(),
                                 out.size() - static_cast<std::size_t>(offset)});
        std::memcpy(out.data() + offset, rest.data(), n);
        rest = rest.subspan(n);
        return static_cast<int>(n);
    }

private:
    std::span<const std::uint8_t> rest;
    std::size_t burst;
};

class RecordingTarget : public ZamTarget {
public:
    void play() override { actions.push_back("play"); }
    void stop() override { actions.push_back("stop"); }
    void rewind() override { actions.push_back("rewind"); }
    void forward() override { actions.push_back("forward"); }
    void jogf() override { actions.push_back("jogf"); }
    void jogr() override { actions.push_back("jogr"); }
    void setin() override { actions.push_back("in"); }
    void setout() override { actions.push_back("out"); }
    void ShowStat(const std::string& text) override { statuses.push_back(text); }
    Lines actions;
    Lines statuses;
};

// The console's lines go nowhere while a test runs; the sink is detached however it ends.
class SecondPort : public testing::Test {
protected:
    void SetUp() override {
        Utils::SetLineSink([](const std::string&) {});
    }
    void TearDown() override { Utils::SetLineSink(nullptr); }
};

// The program's pace: a poll every 100 ms, a lone first byte waits 100 ms for its second.
constexpr int sleepMs = 100;
constexpr int waitMs = 100;
std::string dropped(const Bytes& bytes) {
    return ZamDroppedText(bytes, 3 * sleepMs);
}
std::string stray(const Bytes& bytes) {
    return ZamStrayText(bytes);
}
std::string lostCode(const Bytes& bytes) {
    return ZamLostCodeText(bytes);
}
std::string lone(const Bytes& bytes) {
    return ZamLoneByteText(bytes, waitMs);
}

} // namespace

// Each poll takes the first whole message waiting and drops (and says) the others read with it;
// a message cut by the read's end is completed from the bytes after it, so the next poll starts
// on a message, never on a code byte left over.
TEST_F(SecondPort, EachPollTakesTheFirstWholeMessageWhereverItsReadEnds) {
    struct Case {
        const char* name;
        Bytes stream;
        std::size_t burst;
        Lines actions;
        Lines statuses;
    };
    // Play, stop, rewind, fast forward.
    const Bytes four = {0x80, 0x45, 0x80, 0x44, 0x80, 0x42, 0x80, 0x43};
    // A late code byte, then stop and rewind.
    const Bytes late = {0x45, 0x80, 0x44, 0x80, 0x42};
    // Play, a jog's group byte that lost its code, stop, rewind.
    const Bytes lost = {0x80, 0x45, 0x81, 0x80, 0x44, 0x80, 0x42};
    const Case cases[] = {
        {"every message cut in two", four, 1, {"play", "stop", "rewind", "forward"}, {}},
        {"a message a read", four, 2, {"play", "stop", "rewind", "forward"}, {}},
        {"a read ends one byte into the next message",
         four,
         3,
         {"play", "rewind"},
         {dropped({0x80, 0x44}), dropped({0x80, 0x43})}},
        {"two messages a read",
         four,
         4,
         {"play", "rewind"},
         {dropped({0x80, 0x44}), dropped({0x80, 0x43})}},
        {"two and a half messages a read",
         four,
         5,
         {"play", "forward"},
         {dropped({0x80, 0x44, 0x80, 0x42})}},
        {"three messages a read",
         four,
         6,
         {"play", "forward"},
         {dropped({0x80, 0x44, 0x80, 0x42})}},
        {"three and a half messages a read",
         four,
         7,
         {"play"},
         {dropped({0x80, 0x44, 0x80, 0x42, 0x80, 0x43})}},
        {"all in one read", four, 8, {"play"}, {dropped({0x80, 0x44, 0x80, 0x42, 0x80, 0x43})}},
        {"a late code byte read alone", late, 1, {"stop", "rewind"}, {stray({0x45})}},
        {"a late code byte and a group byte", late, 2, {"stop", "rewind"}, {stray({0x45})}},
        {"a late code byte and a message", late, 3, {"stop", "rewind"}, {stray({0x45})}},
        {"a late code byte and one and a half messages",
         late,
         4,
         {"stop"},
         {stray({0x45}), dropped({0x80, 0x42})}},
        {"a lost code read alone", lost, 1, {"play", "stop", "rewind"}, {lostCode({0x81})}},
        {"a read ends on a group byte that lost its code",
         lost,
         3,
         {"play", "rewind"},
         {dropped({0x81, 0x80, 0x44})}},
        {"a read ends one byte after a group byte that lost its code",
         lost,
         4,
         {"play", "rewind"},
         {dropped({0x81, 0x80, 0x44})}},
        {"the line ends one byte into a message read alone",
         {0x80, 0x45, 0x81},
         1,
         {"play"},
         {lone({0x81})}},
        {"the line ends one byte into a message read with another",
         {0x80, 0x45, 0x81},
         3,
         {"play"},
         {dropped({0x81})}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingTarget target;
        SerInPort port("second-port-test", [&c](const SerialConfig&) {
            return std::make_unique<BurstPort>(c.stream, c.burst);
        });
        ASSERT_FALSE(port.bad());
        port.setlocalvcr(&target);
        port.setsleeptime(sleepMs);
        port.setwait(waitMs);
        // The polls are the test's own, with no thread; with the stop requested, the rest after
        // a message and a wait for a byte that is not there end at once.
        port.stopme();
        for (std::size_t poll = 0; poll <= c.stream.size(); ++poll) port.readdirect();
        EXPECT_EQ(target.actions, c.actions);
        EXPECT_EQ(target.statuses, c.statuses);
    }
}
