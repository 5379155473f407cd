// The deck controller against the simulated deck, through a pseudo-terminal and the deck link,
// with a headless window; and against a far end the test plays itself, for replies no deck
// should send.
#include "ControllerFixture.h"

#include <algorithm>
#include <optional>

using namespace decktest;

namespace {

// The poll cycles between two status reads, each run of time reads with a status read before
// and after it: how long one cycle took on average in each run (the time from its first time read
// to its last over the cycles between). Whole runs, not single gaps: when the deck's thread is
// held up it takes two requests in one go, which makes one gap short and the next long; within a
// run that evens out, except at its two ends, and the error is shared out over its cycles.
std::vector<std::chrono::microseconds> cyclesOfRuns(const std::vector<TraceLog::Frame>& frames) {
    std::vector<std::chrono::microseconds> cycles;
    size_t first = 0;
    bool afterStatus = false;
    for (size_t i = 0; i < frames.size(); ++i) {
        if (frames[i].bytes != ST) continue;
        // frames[first .. i-1] are the time reads since the status read before, if any.
        if (afterStatus && i - first >= 2) {
            bool allTime = true;
            for (size_t k = first; k < i; ++k) allTime = allTime && frames[k].bytes == TC;
            if (allTime)
                cycles.push_back(std::chrono::duration_cast<std::chrono::microseconds>(
                                     frames[i - 1].at - frames[first].at) /
                                 static_cast<long>(i - 1 - first));
        }
        afterStatus = true;
        first = i + 1;
    }
    return cycles;
}

std::chrono::microseconds median(std::vector<std::chrono::microseconds> values) {
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

std::string ms(std::chrono::microseconds d) {
    return std::to_string(static_cast<double>(d.count()) / 1000.0) + " ms";
}


// The controller on a line whose far end the test plays.
class ControllerOnARawLine : public Controller {};

} // namespace

TEST_F(Controller, ATapeDeckStartsWithTimeModeThenPollsTimeAndStatus) {
    start();
    ASSERT_NO_FATAL_FAILURE(startedUp());
    ASSERT_TRUE(trace->waitForFrames(12));
    const auto all = trace->all();
    EXPECT_EQ(all[0].bytes, "41 36 00 77 ");
    EXPECT_EQ(all[1].bytes, TC);
    EXPECT_EQ(all[2].bytes, ST);
    for (size_t i = 3; i < 11; ++i) EXPECT_EQ(all[i].bytes, TC) << i;
    EXPECT_EQ(all[11].bytes, ST);
    // The deck's time stamps may come late: the bound leaves room for one.
    EXPECT_GE(all[1].at - all[0].at, 900ms) << "a second passes before the poller starts";
    EXPECT_EQ(consoleLines(), (std::vector<std::string>{"RS422 Ready", " "}));
    EXPECT_TRUE(panel->getLoggerEnabled());
    EXPECT_GE(panel->getShows(), 1);
    EXPECT_EQ(panel->getStatuses().front(), "RS422 Ready");
}

// The interval the poller sleeps shows on the wire as the time between two time reads with no
// status read between them: the interval plus the link's reply wait. The middle one of the runs'
// average cycles is taken, so a hold-up now and then on a loaded machine moves it little. The
// bounds lie 10 ms below and 12 ms above the cycle; the three intervals are 15 ms or more apart,
// so a deck type polled at another's interval falls outside.
TEST_F(Controller, ThePollerSleepsTheIntervalOfItsDeckTypeBetweenTimeReadsOnTheWire) {
    struct Case {
        const char* name;
        const char* type;
        bool lanc, vanto;
        int sleepMs; // the poller's interval
        int waitMs;  // the reply wait start-up gives the link
    };
    const Case cases[] = {
        {"tape deck", "RS422", false, false, 35, 9},
        {"LANC", "LANC", true, false, 60, 25},
        {"VANTO recorder, also set as LANC: the recorder's interval wins", "VANTO", true, true, 20,
         25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings s;
        s.VCRType = c.type;
        s.lanc = c.lanc;
        s.vanto = c.vanto;
        start(s, {}, DeckRig::programWait);
        ASSERT_NO_FATAL_FAILURE(startedUp());
        ASSERT_EQ(rig->link.getwait(), c.waitMs);
        trace->clear();
        ASSERT_TRUE(waitUntil([&] { return cyclesOfRuns(trace->all()).size() >= 5; }, 30s));
        const auto typical = median(cyclesOfRuns(trace->all()));
        const std::chrono::milliseconds cycle(c.sleepMs + c.waitMs);
        EXPECT_GE(typical, cycle - 10ms) << ms(typical);
        EXPECT_LE(typical, cycle + 12ms) << ms(typical);
    }
}

TEST_F(Controller, StatusComesEveryEighthCycleAndASilentDeckKeepsTheTimeAndThePace) {
    DeckSim::Options opts;
    opts.deck.startFrames = ninepin::FramesOf(1, 56, 34, 12);
    start(Settings(), opts);
    ASSERT_NO_FATAL_FAILURE(startedUp());
    ASSERT_TRUE(waitUntil([&] { return vcr->getTCString() == "01:56:34:12"; }));
    EXPECT_EQ(vcr->tcframes.load(), 108000 + 56 * 1800 + 34 * 30 + 12);

    // The pace: the middle one of the runs' average cycles, while the deck answers and while it
    // is silent.
    trace->clear();
    ASSERT_TRUE(waitUntil([&] { return cyclesOfRuns(trace->all()).size() >= 5; }, 20s));
    const auto answered = median(cyclesOfRuns(trace->all()));
    sim->setNoReply(true);
    // The exchange under way may still have had its answer: start after the next request.
    trace->clear();
    ASSERT_TRUE(trace->waitForFrames(1));
    trace->clear();
    ASSERT_TRUE(waitUntil([&] { return cyclesOfRuns(trace->all()).size() >= 5; }, 20s));
    const auto frames = trace->all();
    const auto silent = median(cyclesOfRuns(frames));
    EXPECT_LE(silent, answered + 10ms) << ms(silent) << " against " << ms(answered);
    EXPECT_GE(silent, answered - 10ms) << ms(silent) << " against " << ms(answered);

    EXPECT_EQ(vcr->getTCString(), "01:56:34:12");
    EXPECT_EQ(vcr->tcframes.load(), 108000 + 56 * 1800 + 34 * 30 + 12);
    // Forty cycles took well over the second after which a silent deck is shown as such.
    EXPECT_EQ(panel->getStatuses().back(), "No reply from deck");
    EXPECT_EQ(panel->getTimeLive(), std::vector<bool>{false}) << "the last time, greyed";

    // Between two status reads there are exactly eight time reads.
    std::vector<size_t> statusAt;
    for (size_t i = 0; i < frames.size(); ++i)
        if (frames[i].bytes == ST) statusAt.push_back(i);
    ASSERT_GE(statusAt.size(), 3u);
    for (size_t k = 1; k < statusAt.size(); ++k) EXPECT_EQ(statusAt[k] - statusAt[k - 1], 9u);

    const TCThread* first = vcr->poller();
    vcr->GetTC();
    EXPECT_EQ(vcr->poller(), first) << "one poller only";
}

TEST_F(Controller, EveryTransportOperationSendsExactlyItsFrameAndSettlesAsItShould) {
    start();
    ASSERT_NO_FATAL_FAILURE(startedUp());
    struct Case {
        const char* name;
        void (LocalVCR::*op)();
        std::string frame;
        bool settles;
    };
    const std::vector<Case> cases = {
        {"play", &LocalVCR::play, "20 01 21 ", false},
        {"pause", &LocalVCR::pause, "21 13 00 34 ", false},
        {"stop", &LocalVCR::stop, "20 00 20 ", true},
        {"rewind", &LocalVCR::rewind, "20 20 40 ", true},
        {"forward", &LocalVCR::forward, "20 10 30 ", true},
        {"slowfifth", &LocalVCR::slowfifth, "21 12 2D 60 ", true},
        {"slowthird", &LocalVCR::slowthird, "21 12 30 63 ", true},
        {"slowhalf", &LocalVCR::slowhalf, "21 12 36 69 ", true},
        {"fasttwo", &LocalVCR::fasttwo, "21 13 4A 7E ", true},
        {"fastfive", &LocalVCR::fastfive, "21 13 56 8A ", true},
        {"jogf", &LocalVCR::jogf, "21 11 10 42 ", true},
        {"jogr", &LocalVCR::jogr, "21 21 10 52 ", true},
        {"eeon", &LocalVCR::eeon, "20 61 81 ", true},
        {"eeoff", &LocalVCR::eeoff, "20 60 80 ", true},
        {"sbyon", &LocalVCR::sbyon, "20 05 25 ", true},
        {"sbyoff", &LocalVCR::sbyoff, "20 04 24 ", true},
        {"record", &LocalVCR::record, "20 02 22 ", true},
    };
    for (const auto& c : cases) {
        trace->clear();
        vcr->cueplayFlag = true;
        vcr->reviewclipFlag = true;
        vcr->duration = 300;
        (vcr.get()->*c.op)();
        ASSERT_TRUE(trace->waitForCommands(1)) << c.name;
        EXPECT_EQ(trace->commandBytes(), std::vector<std::string>{c.frame}) << c.name;
        EXPECT_EQ(vcr->cueplayFlag.load(), !c.settles) << c.name;
        EXPECT_EQ(vcr->reviewclipFlag.load(), !c.settles) << c.name;
        EXPECT_EQ(vcr->duration.load(), c.settles ? 0 : 300) << c.name;
    }
    struct Shuttle {
        bool reverse;
        int speed;
        std::string frame;
    };
    for (const Shuttle& s :
         {Shuttle{false, 0, "21 13 00 34 "}, Shuttle{false, 255, "21 13 FF 33 "},
          Shuttle{true, 255, "21 23 FF 43 "}, Shuttle{false, 0x20, "21 13 20 54 "},
          Shuttle{true, 0x20, "21 23 20 64 "}}) {
        trace->clear();
        vcr->reviewclipFlag = true;
        s.reverse ? vcr->shutrev(s.speed) : vcr->shutfwd(s.speed);
        ASSERT_TRUE(trace->waitForCommands(1));
        EXPECT_EQ(trace->commandBytes(), std::vector<std::string>{s.frame});
        EXPECT_TRUE(vcr->reviewclipFlag.load()) << "shuttle leaves a review in place";
    }
}

TEST_F(Controller, StatusRepliesBecomeWordsMarksAndFlagsAndANakChangesNothing) {
    Settings s;
    s.useclipboard = true;
    DeckSim::Options opts;
    opts.deck.seekMs = 0;
    start(s, opts, readingWait);
    ASSERT_NO_FATAL_FAILURE(startedUp());

    // Every time read also goes to the clipboard, with a line feed.
    EXPECT_TRUE(waitUntil([&] {
        const auto clip = panel->getClipboard();
        return !clip.empty() && clip.back() == vcr->getTCString() + "\n";
    }));

    ASSERT_NO_FATAL_FAILURE(stopPolling());
    vcr->play();
    vcr->status();
    EXPECT_EQ(vcr->getStatusString(), "Play ");
    EXPECT_EQ(panel->getMarks(), std::vector<Mark>{Mark::Play});
    vcr->jogr();
    vcr->status();
    EXPECT_EQ(vcr->getStatusString(), "Jog ");
    EXPECT_EQ(panel->getMarks(), std::vector<Mark>{Mark::JogR});

    vcr->CommandB0(CommandFrames::bscue);
    ASSERT_TRUE(waitUntil([&] { return sim->snapshot().cueUpComplete; }));
    vcr->status();
    EXPECT_TRUE(vcr->cueup.load());
    EXPECT_EQ(vcr->getStatusString(), "CuedUp ");

    // A refused frame: the controller's state stays as it was.
    sim->setNakEvery(1);
    vcr->stop();
    ASSERT_TRUE(trace->waitForLine(" TX 11 12 80 A3 ")) << "the deck refused it";
    sim->setNakEvery(0);
    vcr->status();
    EXPECT_EQ(vcr->getStatusString(), "CuedUp ");
}

// In a review only the cue words are shown, and no marks; outside one the transport words and
// their marks come too. Each reading replaces the marks of the one before in a single call.
TEST_F(Controller, DuringAReviewAStatusReadingShowsOnlyTheCueWordsAndNoMarks) {
    DeckSim::Options opts;
    opts.deck.seekMs = 0;
    start(Settings(), opts, readingWait);
    ASSERT_NO_FATAL_FAILURE(startedUp());
    ASSERT_NO_FATAL_FAILURE(stopPolling());
    ASSERT_NO_FATAL_FAILURE(pastStartupMessage());
    // Standby stays on through play and the cue, so the cued deck has a transport word too.
    ASSERT_EQ(vcr->CommandB0(CommandFrames::bssbyon).count, 3);

    using F = CommandFrames;
    struct Case {
        const char* name;
        std::vector<std::uint8_t> command; // sent to the deck first, if any
        bool review;
        std::string shown;
        std::vector<Mark> marks;
        bool cueup;
    };
    const std::vector<Case> cases = {
        {"playing", {F::bsplay.begin(), F::bsplay.end()}, false, "Play Stby ",
         {Mark::Play, Mark::Sbyon}, false},
        {"playing, in a review", {}, true, "", {}, false},
        {"cued up while playing, in a review", {F::bscue.begin(), F::bscue.end()}, true, "CuedUp ",
         {}, true},
        {"cued up", {}, false, "Stby CuedUp ", {Mark::Sbyon}, true},
        {"cued up, in a review again", {}, true, "CuedUp ", {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.command.empty()) {
            ASSERT_EQ(vcr->CommandB0(c.command).count, 3);
            ASSERT_TRUE(
                waitUntil([&] { return sim->snapshot().mode != DeckModel::Mode::Cueing; }));
        }
        vcr->reviewclipFlag = c.review;
        const int markCalls = panel->getMarkCalls();
        vcr->status();
        EXPECT_EQ(panel->getMarkCalls(), markCalls + 1) << "one call a reading";
        EXPECT_EQ(panel->getStatuses().back(), c.shown);
        EXPECT_EQ(vcr->getStatusString(), c.shown);
        EXPECT_EQ(panel->getMarks(), c.marks);
        EXPECT_EQ(vcr->cueup.load(), c.cueup);
    }
}

TEST_F(Controller, WithTheClipboardOffNoTimeReachesIt) {
    start();
    ASSERT_NO_FATAL_FAILURE(startedUp());
    ASSERT_TRUE(waitUntil([&] { return panel->getTimes().size() >= 3; }));
    EXPECT_TRUE(panel->getClipboard().empty());
}

TEST_F(Controller, TheInFieldBecomesTheCueStringOrIsRefused) {
    start();
    ASSERT_NO_FATAL_FAILURE(startedUp());
    ASSERT_NO_FATAL_FAILURE(stopPolling()); // no status reading comes between
    panel->texts().setIn("01:02:03:04");
    EXPECT_TRUE(vcr->MakeCueString());
    EXPECT_EQ(vcr->getCueString(), "01:02:03:04");
    const auto cue = vcr->getCueFrame();
    EXPECT_EQ(std::vector<std::uint8_t>(cue.begin(), cue.end()),
              (std::vector<std::uint8_t>{0x24, 0x31, 0x04, 0x03, 0x02, 0x01, 0x5F}));
    panel->texts().setIn("1:02:03:04");
    EXPECT_FALSE(vcr->MakeCueString());
    EXPECT_EQ(panel->getStatuses().back(), "Invalid Timecode: 1:02:03:04");
    EXPECT_EQ(vcr->getCueString(), "01:02:03:04");
}

// Set-up values other than the ones in force before the settings file is read, so that each
// frame shows its own value and checksum.
TEST_F(Controller, VantoIsSetUpWithItsFramesAFourSecondPauseAndItsConsoleLines) {
    Settings s;
    s.vanto = true;
    s.VCRType = "VANTO";
    s.lanc = true;
    s.Compression = "9";
    s.compression = 9;
    s.VideoMode = "PAL";
    s.videomode = 0;
    s.VideoType = "SVID";
    s.videotype = 1;
    s.LoopRecMode = "YES";
    s.looprecmode = 1;
    s.LoopPlayMode = "YES";
    s.loopplaymode = 1;
    start(s);
    ASSERT_NO_FATAL_FAILURE(startedUp());
    ASSERT_TRUE(trace->waitForFrames(8));
    const auto all = trace->all();
    const std::vector<std::string> expected = {
        "F3 02 D0 00 10 D5 ", "F3 02 A1 09 00 9F ", "F3 02 10 00 00 05 ", "F3 02 40 01 00 36 ",
        "F3 02 62 01 00 58 ", "F3 02 70 01 00 66 ", "41 36 00 77 ",       TC};
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(all[i].bytes, expected[i]) << i;
    // The deck's time stamps may come late: the bounds leave room for one.
    EXPECT_GE(all[1].at - all[0].at, 3900ms);
    EXPECT_LE(all[1].at - all[0].at, 4600ms);
    EXPECT_LE(all[5].at - all[1].at, 700ms) << "no pause between the set-up frames";
    EXPECT_GE(all[7].at - all[6].at, 900ms) << "a second passes before the poller starts";
    // The deck refuses a frame whose checksum is wrong, so it holds only values it accepted.
    EXPECT_EQ(sim->setupValues(), (std::map<std::uint8_t, std::uint8_t>{{0xD0, 0x00},
                                                                        {0xA1, 0x09},
                                                                        {0x10, 0x00},
                                                                        {0x40, 0x01},
                                                                        {0x62, 0x01},
                                                                        {0x70, 0x01}}));
    EXPECT_EQ(consoleLines(), (std::vector<std::string>{
                                  "Setting BVW75 Mode on VANTO", "Setting Compression on VANTO = 9",
                                  "Setting PAL/NTSC Mode to PAL", "Setting PAL/NTSC Mode to SVID",
                                  "Setting Loop Record Mode to YES", "Setting Loop Play Mode to YES",
                                  "VANTO Ready", " "}));
}

TEST_F(Controller, TheLinksStatusTextsReachTheLivingControllerOnly) {
    auto shown = [&](const std::string& text) {
        const auto all = panel->getStatuses();
        return std::find(all.begin(), all.end(), text) != all.end();
    };
    start();
    startedUp();
    rig->link.ShowStat("from the link");
    EXPECT_TRUE(shown("from the link"));
    vcr.reset();
    panel = nullptr;
    // The controller is gone: the link must not call into it. The address-sanitizer build
    // reports the use of freed memory here when the link still holds the old callback.
    rig->link.ShowStat("after the controller");
    makeController(rig->link, Settings());
    vcr->waitIdle();
    rig->link.ShowStat("to the next controller");
    EXPECT_TRUE(shown("to the next controller"));
    EXPECT_FALSE(shown("after the controller"));
}

TEST_F(Controller, WithoutAnOpenPortNoPollerIsMadeAndTheStatusSaysNoDeck) {
    startWithoutPort("/nonexistent/kolb-deck");
    ASSERT_TRUE(ownLink->bad());
    vcr->waitIdle();
    EXPECT_EQ(vcr->poller(), nullptr);
    vcr->GetTC();
    EXPECT_EQ(vcr->poller(), nullptr) << "asked again, still none";
    EXPECT_TRUE(panel->getLoggerEnabled()) << "start-up ends all the same";
    EXPECT_EQ(consoleLines(), (std::vector<std::string>{"RS422 Ready", " ",
                                                        "Unable to write to Serial Port"}));
    EXPECT_TRUE(waitUntil([&] {
        vcr->status();
        return panel->getStatuses().back() == "No VCR Detected";
    })) << "once start-up's message has had its time";
}

// A deck whose time reply has a seconds byte that is not BCD: the reply is refused whole.
TEST_F(ControllerOnARawLine, ATimeReplyWithABadSecondsNibbleIsRefusedWhole) {
    setReplies({0x74, 0x04, 0x10, 0x20, 0x02, 0x01, 0xAB}, {});
    startOnRawLine();
    ASSERT_NO_FATAL_FAILURE(startedUp());
    ASSERT_TRUE(waitUntil([&] { return vcr->getTCString() == "01:02:20:10"; }));
    const int asked = timeRequests();
    setReplies({0x74, 0x04, 0x10, 0x9A, 0x02, 0x01, 0x25}, {});
    // The poller reads one reply at a time: once the second refused reply is asked for, every
    // good reply before it has been shown.
    ASSERT_TRUE(waitUntil([&] { return timeRequests() >= asked + 2; }));
    const size_t shown = panel->getTimes().size();
    ASSERT_TRUE(waitUntil([&] { return timeRequests() >= asked + 6; })) << "the poller keeps asking";
    EXPECT_EQ(vcr->getTCString(), "01:02:20:10");
    EXPECT_EQ(vcr->tcframes.load(), 108000 + 2 * 1800 + 20 * 30 + 10);
    EXPECT_EQ(panel->getTimes().size(), shown) << "nothing shown";
    EXPECT_TRUE(vcr->poller()->running());
}

// Replies to the two sense requests that are short, foreign, or whose checksum is wrong are taken
// as no reply: nothing is decoded or shown. A status reply to a time request is shown as status.
TEST_F(ControllerOnARawLine, OnlyWholeRepliesWithTheirChecksumAreDecoded) {
    // Time data at offsets 2 to 5: frames, seconds, minutes, hours.
    const Bytes time = ninepin::Frame(0x7, 0x04, {0x10, 0x20, 0x02, 0x01}); // 01:02:20:10
    const Bytes later = ninepin::Frame(0x7, 0x04, {0x11, 0x20, 0x02, 0x01});
    // Status bytes 0 to 8 at offsets 2 to 10: byte 1 (offset 3) bit 0 play, bit 5 stop; byte 2
    // (offset 4) bit 0 cue-up complete.
    const Bytes stopped = ninepin::Frame(0x7, 0x20, {0x00, 0x20, 0x00, 0, 0, 0, 0, 0, 0});
    const Bytes playing = ninepin::Frame(0x7, 0x20, {0x00, 0x01, 0x80, 0, 0, 0, 0, 0, 0});
    const Bytes cuedUp = ninepin::Frame(0x7, 0x20, {0x00, 0x00, 0x03, 0, 0, 0, 0, 0, 0});
    const auto sumOff = [](Bytes b) {
        ++b.back();
        return b;
    };
    const auto noisy = [](Bytes b, size_t at, std::uint8_t bits) {
        b.at(at) ^= bits;
        return b;
    };
    const auto cut = [](Bytes b, size_t n) {
        b.resize(n);
        return b;
    };
    Bytes noiseInFront{0xEE};
    noiseInFront.insert(noiseInFront.end(), later.begin(), later.end());

    setReplies(time, stopped);
    startOnRawLine();
    ASSERT_NO_FATAL_FAILURE(startedUp());
    ASSERT_NO_FATAL_FAILURE(stopPolling());
    ASSERT_NO_FATAL_FAILURE(pastStartupMessage());
    vcr->CommandB8();
    ASSERT_EQ(vcr->getTCString(), "01:02:20:10");
    ASSERT_EQ(vcr->getStatusString(), "Stop ");
    ASSERT_EQ(panel->getMarks(), std::vector<Mark>{Mark::Stop});
    const int frames = vcr->tcframes;

    struct Case {
        const char* name;
        bool timeRead; // answered to a time read, else to a status read
        Bytes reply;
        std::optional<std::string> shown; // the status shown; nothing when empty
        std::optional<std::vector<Mark>> marks;
        bool cueup;
    };
    const std::vector<Case> cases = {
        {"time, checksum off by one", true, sumOff(later), {}, {}, false},
        {"time, frames byte noisy", true, noisy(time, 2, 0x01), {}, {}, false},
        {"time, six of seven bytes", true, cut(later, 6), {}, {}, false},
        {"time, noise in front", true, noiseInFront, {}, {}, false},
        {"time, no reply", true, {}, {}, {}, false},
        {"status to a time read, checksum off by one", true, sumOff(playing), {}, {}, false},
        {"status to a time read", true, playing, "Play ", std::vector<Mark>{Mark::Play}, false},
        {"status, cue-up bit noisy", false, noisy(stopped, 4, 0x01), {}, {}, false},
        {"status, checksum off by one", false, sumOff(cuedUp), {}, {}, false},
        {"status, eleven of twelve bytes", false, cut(cuedUp, 11), {}, {}, false},
        {"status, seven of twelve bytes", false, cut(cuedUp, 7), {}, {}, false},
        {"time to a status read", false, later, {}, {}, false},
        {"time and user bits to a status read, as long as a status reply", false,
         ninepin::Frame(0x7, 0x04, {0x10, 0x20, 0x02, 0x01, 0x00, 0x00, 0x00, 0x00}), {}, {}, false},
        {"refusal to a status read", false, ninepin::Nak(ninepin::NAK_TIMEOUT), {}, {}, false},
        {"status, no reply", false, {}, "No VCR Status", {}, false},
        {"status with cue-up", false, cuedUp, "CuedUp ", std::vector<Mark>{}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A good time read first: the deck is never silent for the second it takes to show so.
        setReplies(time, stopped);
        vcr->CommandB8();
        c.timeRead ? setReplies(c.reply, stopped) : setReplies(time, c.reply);
        const auto statuses = panel->getStatuses();
        const auto marks = panel->getMarks();
        const int markCalls = panel->getMarkCalls();
        const size_t times = panel->getTimes().size();
        c.timeRead ? vcr->CommandB8() : vcr->status();

        EXPECT_EQ(vcr->getTCString(), "01:02:20:10");
        EXPECT_EQ(vcr->tcframes.load(), frames);
        EXPECT_EQ(panel->getTimes().size(), times) << "no time shown";
        EXPECT_EQ(vcr->cueup.load(), c.cueup);
        const auto statusesNow = panel->getStatuses();
        if (c.shown) {
            ASSERT_EQ(statusesNow.size(), statuses.size() + 1);
            EXPECT_EQ(statusesNow.back(), *c.shown);
        } else {
            EXPECT_EQ(statusesNow, statuses) << "no status shown";
        }
        if (c.marks) {
            EXPECT_EQ(panel->getMarkCalls(), markCalls + 1);
            EXPECT_EQ(panel->getMarks(), *c.marks);
        } else {
            EXPECT_EQ(panel->getMarkCalls(), markCalls) << "no marks shown";
            EXPECT_EQ(panel->getMarks(), marks);
        }
    }
}
