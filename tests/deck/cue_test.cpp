// Cue runs and reviews against the simulated deck: the frames on its wire, their order and gaps,
// the texts on the panel, and what the run does when the deck does not behave.
#include "ControllerFixture.h"

#include <optional>

using namespace decktest;

namespace {

const std::string cueUpTo01020304 = "24 31 04 03 02 01 5F ";
const std::string PAUSE = "21 13 00 34 ";
const std::string PLAY = "20 01 21 ";
const std::string STOP = "20 00 20 ";

// A network client that keeps the lines a cue run sends it.
class RecordingClient : public ClientLine {
public:
    void Send(const std::string& line) override {
        std::lock_guard lock(mutex);
        sent.push_back(line);
    }
    std::vector<std::string> lines() {
        std::lock_guard lock(mutex);
        return sent;
    }

private:
    std::mutex mutex; // guards sent
    std::vector<std::string> sent;
};

// The frame count of a time-data reply ("74 04 ff ss mm hh cs "), if the bytes are one.
std::optional<int> replyFrames(const std::string& hex) {
    if (hex.rfind("74 04 ", 0) != 0 || hex.size() < 21) return std::nullopt;
    auto bcd = [&](size_t at) { return std::stoi(hex.substr(at, 2), nullptr, 10); };
    return bcd(15) * 108000 + bcd(12) * 1800 + bcd(9) * 30 + bcd(6);
}

class CueRuns : public Controller {
protected:
    void TearDown() override {
        Controller::TearDown(); // the controller and its runs end before what the hooks use
    }
    Settings recorder() {
        Settings s;
        s.vanto = true;
        return s;
    }
    // Starts a controller on a deck that seeks in `seekMs` and waits for its start-up.
    void startOn(Settings s, int seekMs = 100, int waitMs = DeckRig::patientWait) {
        DeckSim::Options o;
        o.deck.seekMs = seekMs;
        start(s, o, waitMs);
        ASSERT_NO_FATAL_FAILURE(startedUp());
        trace->clear();
    }
    // Waits until the newest cue run has ended.
    bool runEnded(std::chrono::milliseconds timeout = 20s) {
        return waitUntil(
            [&] {
                auto run = vcr->cuethread();
                return run && run->finished();
            },
            timeout);
    }
    // The commands the deck received, once it has read at least n: it may read the last one a
    // little after the link wrote it.
    std::vector<std::string> commandsOnce(size_t n) {
        trace->waitForCommands(n);
        return trace->commandBytes();
    }
    size_t indexOf(const std::vector<std::string>& frames, const std::string& f, size_t from = 0) {
        for (size_t i = from; i < frames.size(); ++i)
            if (frames[i] == f) return i;
        return std::string::npos;
    }
    std::vector<std::string> statuses() { return panel->getStatuses(); }
    // Whether the text was shown (after the first `from` texts): the poller's status readings
    // may come between.
    bool statusShown(const std::string& text, size_t from = 0) {
        const auto all = statuses();
        for (size_t i = from; i < all.size(); ++i)
            if (all[i] == text) return true;
        return false;
    }

    // The sleeps the cue runs asked for, when the test takes them over.
    std::mutex delaysMutex; // guards delays
    std::vector<int> delays;
    std::function<void(int)> onDelay;
};

} // namespace

TEST_F(CueRuns, ACueSendsItsFrameThenPausesOnceCuedAndUnlocksTheControls) {
    ASSERT_NO_FATAL_FAILURE(startOn(recorder()));
    const auto client = std::make_shared<RecordingClient>();
    vcr->setClient(client);
    // The run's waits are noted and slept as usual.
    vcr->setCueDelay([this](int ms) {
        std::lock_guard lock(delaysMutex);
        delays.push_back(ms);
        return false;
    });
    struct Case {
        const char* text;
        bool (LocalVCR::*motion)();
        bool in;
    };
    for (const Case c :
         {Case{"01:02:03:04", &LocalVCR::cue, true}, Case{"01;02;03;04", &LocalVCR::cue, true},
          Case{"01:02:03:04", &LocalVCR::cueout, false}}) {
        trace->clear();
        const size_t locksBefore = panel->getLocks().size();
        if (c.in)
            panel->texts().setIn(c.text);
        else
            panel->texts().setOut(c.text);
        ASSERT_TRUE((vcr.get()->*c.motion)()) << c.text;
        ASSERT_TRUE(runEnded()) << c.text;
        EXPECT_EQ(commandsOnce(2), (std::vector<std::string>{cueUpTo01020304, PAUSE}))
            << c.text << ": no play for a plain cue";
        const auto locks = panel->getLocks();
        ASSERT_EQ(locks.size(), locksBefore + 2) << c.text;
        EXPECT_TRUE(locks[locksBefore]) << "locked first";
        EXPECT_FALSE(locks[locksBefore + 1]) << "unlocked at the end";
        EXPECT_EQ(sim->snapshot().frames, ninepin::FramesOf(1, 2, 3, 4)) << c.text;
        EXPECT_TRUE(statusShown("CUED!!"));
        EXPECT_TRUE(vcr->cueup.load());
        EXPECT_FALSE(vcr->cuethread()->gotthere()) << "only a review gets there";
        std::lock_guard lock(delaysMutex);
        ASSERT_GE(delays.size(), 2u);
        EXPECT_EQ(std::vector<int>(delays.end() - 2, delays.end()), (std::vector<int>{50, 20}))
            << "the disk recorder settles 50 ms and plays 20 ms after";
        for (size_t i = 0; i + 2 < delays.size(); ++i) EXPECT_EQ(delays[i], 20) << "cue-up polls";
        delays.clear();
    }
    EXPECT_EQ(vcr->getCueString(), "01;02;03;04") << "a cue keeps its text";
    // Three cues in a row: the line once, and the count of its repeats when the next line comes.
    // A line the link writes on a busy machine ("No reply from deck") may come between them, and
    // the line is then written again: each run is in the log, written or counted.
    Utils::FlushRepeats();
    const auto lines = consoleLines();
    int finished = 0;
    std::string log;
    for (size_t i = 0; i < lines.size(); ++i) {
        log += lines[i] + "\n";
        if (lines[i] != "Cue/Review/Play Finished!") continue;
        ++finished;
        if (i + 1 < lines.size() && lines[i + 1].rfind("(repeated ", 0) == 0)
            finished += std::stoi(lines[i + 1].substr(10));
    }
    EXPECT_EQ(finished, 3) << log;
    EXPECT_EQ(client->lines(), (std::vector<std::string>{"CUEING!", "CUED!", "CUEING!", "CUED!",
                                                         "CUEING!", "CUED!"}));
    vcr->setClient(nullptr);
}

TEST_F(CueRuns, ATextThatIsNotATimecodeSendsNothingAndLocksNothing) {
    ASSERT_NO_FATAL_FAILURE(startOn(recorder()));
    panel->texts().setIn("1:02:03:04");
    panel->texts().setOut("01:02:0x:04");
    EXPECT_FALSE(vcr->cue());
    EXPECT_TRUE(statusShown("Invalid Timecode: 1:02:03:04"));
    EXPECT_FALSE(vcr->cueplay());
    EXPECT_FALSE(vcr->cueout());
    EXPECT_TRUE(statusShown("Invalid Timecode: 01:02:0x:04"));
    EXPECT_FALSE(vcr->cueplayFlag.load()) << "a refused cue-and-play leaves nothing to play";
    // A review stops the deck first, then finds the bad point.
    EXPECT_FALSE(vcr->reviewclip());
    panel->texts().setIn("00:00:10:00");
    EXPECT_FALSE(vcr->reviewclip()) << "a bad out point";
    EXPECT_EQ(commandsOnce(2), (std::vector<std::string>{STOP, STOP}));
    EXPECT_EQ(vcr->cuethread(), nullptr) << "no run started";
    EXPECT_TRUE(panel->getLocks().empty());
    EXPECT_EQ(vcr->getCueFrame()[5], 0x00) << "the cue frame keeps its last good contents";
}

// A reading lost to a late reply would look like a late Stop: the link waits long for each.
constexpr int reviewWait = 100;

TEST_F(CueRuns, AReviewPlaysFromInAndStopsAtTheFirstReadingOfTheOutPointLessOne) {
    ASSERT_NO_FATAL_FAILURE(startOn(recorder(), 100, reviewWait));
    sim->setPosition(ninepin::FramesOf(0, 0, 30, 0));
    panel->texts().setIn("01:00:00:00");
    ASSERT_TRUE(vcr->MakeCueString());
    const auto client = std::make_shared<RecordingClient>();
    vcr->setClient(client);
    panel->texts().setIn("00:00:10:00");
    panel->texts().setOut("00:00:20:15");
    ASSERT_TRUE(vcr->reviewclip());
    EXPECT_TRUE(statusShown("Reviewing Clip of Duration= 315"));
    EXPECT_EQ(vcr->startframes.load(), 300);
    EXPECT_EQ(vcr->endframes.load(), 615);
    ASSERT_TRUE(runEnded(30s));
    const auto frames = commandsOnce(5);
    EXPECT_EQ(frames, (std::vector<std::string>{STOP, "24 31 00 10 00 00 65 ", PAUSE, PLAY, STOP}));

    // Walk the trace: the time readings between Play and Stop are below 614 until the one that
    // reaches it, and Stop is the next frame after that reading, whatever the machine's load
    // (the benchmark measures the latency).
    const auto lines = trace->lines();
    bool playing = false, reached = false;
    int lastBelow = -1, firstReaching = -1;
    std::string afterReaching; // the first frame the deck received after that reading
    for (const auto& l : lines) {
        const auto rx = l.find(" RX "), tx = l.find(" TX ");
        if (reached && rx != std::string::npos) {
            afterReaching = l.substr(rx + 4);
            break;
        }
        if (rx != std::string::npos && l.substr(rx + 4) == PLAY) playing = true;
        if (!playing) continue;
        if (rx != std::string::npos && l.substr(rx + 4) == STOP) break;
        if (tx == std::string::npos) continue;
        const auto f = replyFrames(l.substr(tx + 4));
        if (!f) continue;
        if (*f >= 614) {
            reached = true;
            firstReaching = *f;
        } else {
            lastBelow = *f;
        }
    }
    ASSERT_TRUE(reached) << "Stop came before any reading reached 614";
    EXPECT_EQ(afterReaching, STOP) << "the Stop goes out in the cycle of the reading, next";
    EXPECT_GE(lastBelow, 300);
    const int stoppedAt = sim->snapshot().frames;
    EXPECT_GE(stoppedAt, firstReaching) << "the deck played on to the reading";
    EXPECT_LE(stoppedAt - firstReaching, 90) << "and stopped within 3 s of it";
    EXPECT_TRUE(vcr->cuethread()->gotthere());
    EXPECT_EQ(vcr->duration.load(), 0);
    EXPECT_FALSE(vcr->reviewclipFlag.load());
    EXPECT_EQ(vcr->getCueString(), "01:00:00:00") << "a review leaves the cue string alone";
    EXPECT_EQ(client->lines(), (std::vector<std::string>{"CUEING!", "CUED!", "x!x!x!", "x#x#x#"}));
    vcr->setClient(nullptr);
}

TEST_F(CueRuns, TheReviewStopsAtAReadingOfTheOutPointLessOneOrPastMidnightAndNotBefore) {
    // A far end whose time the test sets, its status still with cue-up complete: the review
    // waits through readings that stand (a pause keeps it pending, however long), and ends at the
    // reading that reaches its point.
    const Bytes cuedUp = ninepin::Frame(0x7, 0x20, {0x00, 0x00, 0x03, 0, 0, 0, 0, 0, 0});
    auto at = [](int h, int m, int s, int f) {
        auto bcd = [](int v) { return std::uint8_t(v / 10 * 16 + v % 10); };
        return ninepin::Frame(0x7, 0x04, {bcd(f), bcd(s), bcd(m), bcd(h)});
    };
    struct Case {
        const char *what, *in, *out;
        Bytes before, reaching;
        int standMs;
    };
    const Case cases[] = {
        {"614 of 00:00:20:15, after a pause longer than the standstill limit", "00:00:10:00",
         "00:00:20:15", at(0, 0, 20, 13), at(0, 0, 20, 14), CueThread::stallLimitMs + 1000},
        {"a clip whose last frames straddle midnight", "23:59:58:00", "23:59:59:29",
         at(23, 59, 59, 20), at(0, 0, 0, 3), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setReplies(c.before, cuedUp);
        startOnRawLine(recorder());
        // Quick readings: a review with no limit on standing still would stop here.
        ownLink->setwait(DeckRig::patientWait);
        ASSERT_NO_FATAL_FAILURE(startedUp());
        panel->texts().setIn(c.in);
        panel->texts().setOut(c.out);
        const Bytes play{0x20, 0x01, 0x21}, stop{0x20, 0x00, 0x20};
        auto count = [&](const Bytes& f) {
            const auto all = rawCommands();
            return std::count(all.begin(), all.end(), f);
        };
        const auto plays = count(play), stops = count(stop); // those of the cases before
        ASSERT_TRUE(vcr->reviewclip());
        ASSERT_TRUE(waitUntil([&] { return count(play) == plays + 1; }));
        // Ten readings at least after Play, and the time the case stands: no Stop yet.
        const int asked = timeRequests();
        const auto standing = clock_type::now();
        ASSERT_TRUE(waitUntil(
            [&] {
                return timeRequests() >= asked + 10 &&
                       clock_type::now() - standing >= std::chrono::milliseconds(c.standMs);
            },
            30s));
        EXPECT_EQ(count(stop), stops + 1) << "only the review's opening Stop";
        setReplies(c.reaching, cuedUp);
        ASSERT_TRUE(runEnded());
        EXPECT_EQ(count(stop), stops + 2);
        EXPECT_TRUE(vcr->cuethread()->gotthere());
        EXPECT_FALSE(statusShown("Review stopped before out point")) << "not a stall";
    }
}

TEST_F(CueRuns, AClipThatDoesNotRunForwardIsRefusedAfterTheStop) {
    ASSERT_NO_FATAL_FAILURE(startOn(recorder()));
    for (const auto& [in, out] :
         {std::pair{"00:00:10:00", "00:00:10:00"}, std::pair{"23:59:50:00", "00:00:10:00"},
          std::pair{"00:00:10:01", "00:00:10:00"}}) {
        trace->clear();
        const size_t shown = statuses().size();
        panel->texts().setIn(in);
        panel->texts().setOut(out);
        EXPECT_TRUE(vcr->reviewclip()) << in;
        EXPECT_TRUE(statusShown("No Review is possible", shown)) << in;
        EXPECT_EQ(commandsOnce(1), std::vector<std::string>{STOP}) << in;
    }
    EXPECT_TRUE(statusShown("Reviewing Clip of Duration= -2591400"));
    EXPECT_EQ(vcr->cuethread(), nullptr);
}

TEST_F(CueRuns, ATapeDeckWaitsASecondAfterTheStopAndAfterTheDuration) {
    ASSERT_NO_FATAL_FAILURE(startOn(Settings()));
    panel->texts().setIn("00:00:10:00");
    panel->texts().setOut("00:00:10:00");
    const auto t0 = clock_type::now();
    vcr->reviewclip();
    EXPECT_GE(clock_type::now() - t0, 2000ms);
    EXPECT_TRUE(statusShown("No Review is possible"));
}

TEST_F(CueRuns, CueUpNeverSeenEndsTheWaitAfter2500PollsAndTheRunGoesOn) {
    // The deck seeks for ten minutes: its status never shows cue-up. The test takes over the
    // run's sleeps and counts them instead.
    ASSERT_NO_FATAL_FAILURE(startOn(Settings(), 600000));
    vcr->setCueDelay([this](int ms) {
        std::lock_guard lock(delaysMutex);
        delays.push_back(ms);
        return true;
    });
    panel->texts().setIn("01:02:03:04");
    ASSERT_TRUE(vcr->cueplay());
    ASSERT_TRUE(runEnded());
    std::vector<int> expected(CueThread::maxtries, 20);
    expected.push_back(2000);
    expected.push_back(2000);
    {
        std::lock_guard lock(delaysMutex);
        EXPECT_EQ(delays, expected) << "2500 polls of 20 ms, then the tape deck's two waits";
    }
    EXPECT_EQ(commandsOnce(3), (std::vector<std::string>{cueUpTo01020304, PAUSE, PLAY}));
    EXPECT_TRUE(statusShown("CUED!!"));
}

TEST_F(CueRuns, StopWhileACueAndPlaySettlesDeclaresTheDeckCuedButSendsNoPlay) {
    ASSERT_NO_FATAL_FAILURE(startOn(Settings()));
    // The first long sleep is the settle after the pause frame: the operator stops there.
    vcr->setCueDelay([this](int ms) {
        bool first = false;
        {
            std::lock_guard lock(delaysMutex);
            delays.push_back(ms);
            first = ms == 2000 && std::count(delays.begin(), delays.end(), 2000) == 1;
        }
        if (first) vcr->stop();
        return ms == 2000; // the cue-up polls sleep for real
    });
    panel->texts().setIn("01:02:03:04");
    ASSERT_TRUE(vcr->cueplay());
    ASSERT_TRUE(runEnded());
    EXPECT_EQ(commandsOnce(3), (std::vector<std::string>{cueUpTo01020304, PAUSE, STOP}));
    EXPECT_TRUE(statusShown("CUED!!"));
    EXPECT_TRUE(vcr->cueup.load());
    EXPECT_FALSE(vcr->cueplayFlag.load());
}

TEST_F(CueRuns, AReviewWhoseDeckStopsShortGivesUpAfterFiveSecondsStill) {
    ASSERT_NO_FATAL_FAILURE(startOn(recorder()));
    panel->texts().setIn("00:00:10:00");
    panel->texts().setOut("00:10:00:00");
    vcr->setscriptactive(true);
    std::thread caller([this] { vcr->reviewclip(); });
    struct Join {
        std::thread& t;
        ~Join() { t.join(); }
    } join{caller};
    ASSERT_TRUE(trace->waitForLine(" RX " + PLAY, 10000));
    sim->setFrozen(true);
    const auto frozenAt = clock_type::now();
    ASSERT_TRUE(runEnded(30s));
    // The last reading that moved may have come a poll or two before the freeze.
    EXPECT_GE(clock_type::now() - frozenAt, 4000ms);
    EXPECT_TRUE(statusShown("Review stopped before out point"));
    EXPECT_EQ(commandsOnce(5).back(), STOP);
    EXPECT_TRUE(vcr->cuethread()->gotthere()) << "a waiting script goes on";
    EXPECT_FALSE(panel->getLocks().back()) << "the controls are unlocked";
    const auto lines = consoleLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Cue/Review/Play Finished!"), 0)
        << "no end line while a script runs";
}

TEST_F(CueRuns, AReviewInAScriptReturnsOnlyOnceTheDeckIsStoppedAtTheOutPoint) {
    ASSERT_NO_FATAL_FAILURE(startOn(recorder()));
    panel->texts().setIn("00:00:10:00");
    panel->texts().setOut("00:00:11:00");
    // Without a script, the review returns while the run still goes on.
    ASSERT_TRUE(vcr->reviewclip());
    EXPECT_FALSE(vcr->cuethread()->finished());
    ASSERT_TRUE(runEnded());
    const auto lines = consoleLines();
    EXPECT_EQ(lines.back(), "Cue/Review/Play Finished!");

    trace->clear();
    vcr->setscriptactive(true);
    ASSERT_TRUE(vcr->reviewclip());
    EXPECT_TRUE(vcr->cuethread()->gotthere()) << "the run had stopped the deck before the return";
    // The deck may read the last frame a little after the link wrote it.
    ASSERT_TRUE(trace->waitForCommands(5));
    EXPECT_EQ(trace->commandBytes().back(), STOP);
}

TEST_F(CueRuns, ANewRunCallsOffTheOneBeforeAndWaitsForItsEnd) {
    ASSERT_NO_FATAL_FAILURE(startOn(recorder(), 300));
    panel->texts().setIn("01:02:03:04");
    ASSERT_TRUE(vcr->cue());
    const auto first = vcr->cuethread();
    ASSERT_TRUE(trace->waitForCommands(1)) << "the first run sent its cue";
    // Cue lines as fast as a client sends them: never more than one run alive.
    panel->texts().setIn("00:00:05:00");
    for (int i = 0; i < 50; ++i) {
        const auto before = vcr->cuethread();
        ASSERT_TRUE(vcr->cue());
        ASSERT_TRUE(before->finished()) << "run " << i << " outlived the next one's start";
    }
    EXPECT_NE(vcr->cuethread(), first);
    ASSERT_TRUE(runEnded());
    ASSERT_TRUE(trace->waitForLine(" RX " + PAUSE, 10000));
    // A run called off before its cue frame went sends none; each sends nothing after it.
    const auto frames = trace->commandBytes();
    ASSERT_GE(frames.size(), 3u);
    EXPECT_EQ(frames.front(), cueUpTo01020304);
    EXPECT_EQ(frames.back(), PAUSE) << "only the last run paused";
    for (size_t i = 1; i + 1 < frames.size(); ++i) EXPECT_EQ(frames[i], "24 31 00 05 00 00 5A ");
    EXPECT_FALSE(panel->getLocks().back()) << "the controls are unlocked";
}

TEST_F(CueRuns, WithoutAnOpenPortNoRunStartsAndAScriptDoesNotWait) {
    startWithoutPort("/dev/kolb-no-such-port");
    vcr->waitIdle();
    panel->texts().setIn("00:00:10:00");
    panel->texts().setOut("00:00:11:00");
    vcr->setscriptactive(true);
    EXPECT_TRUE(vcr->cue());
    EXPECT_TRUE(vcr->reviewclip());
    EXPECT_EQ(vcr->cuethread(), nullptr);
    EXPECT_TRUE(panel->getLocks().empty());
}
