// The deck controller against the simulated deck, through a pseudo-terminal and the deck link,
// with a headless window.
#include "DeckRig.h"
#include "LocalVCR.h"
#include "Pty.h"
#include "RecordingPanel.h"
#include "Utils.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace std::chrono_literals;
using clock_type = std::chrono::steady_clock;

namespace {

class Controller : public ::testing::Test {
protected:
    void start(Settings s = Settings(), DeckSim::Options opts = {}) {
        Utils::SetLineSink([this](const std::string& l) {
            std::lock_guard lock(linesMutex);
            lines.push_back(l);
        });
        rig = std::make_unique<DeckRig>(opts, s.lanc);
        sim = &rig->sim;
        trace = &rig->trace;
        {
            std::lock_guard lock(linesMutex);
            lines.clear(); // the link's own lines about the pty's missing modem lines
        }
        vcr = std::make_unique<LocalVCR>(rig->link, 2001, s.lanc, s, [this](LocalVCR&) {
            auto p = std::make_unique<RecordingPanel>();
            panel = p.get();
            return p;
        });
    }
    void TearDown() override {
        vcr.reset();
        rig.reset();
        Utils::SetLineSink({});
    }
    // Waits for start-up to end (the poller runs).
    void startedUp() {
        vcr->waitIdle();
        ASSERT_NE(vcr->poller(), nullptr);
    }
    std::vector<std::string> consoleLines() {
        std::lock_guard lock(linesMutex);
        return lines;
    }

    std::unique_ptr<DeckRig> rig;
    DeckSim* sim = nullptr;
    TraceLog* trace = nullptr;
    std::unique_ptr<LocalVCR> vcr;
    RecordingPanel* panel = nullptr;
    std::mutex linesMutex; // guards lines
    std::vector<std::string> lines;
};

const std::string TC = "61 0C 03 70 ";
const std::string ST = "61 20 09 8A ";

} // namespace

TEST_F(Controller, ATapeDeckStartsWithTimeModeThenPollsTimeAndStatus) {
    start();
    startedUp();
    std::this_thread::sleep_for(500ms);
    const auto frames = trace->bytes();
    ASSERT_GE(frames.size(), 12u);
    EXPECT_EQ(frames[0], "41 36 00 77 ");
    EXPECT_EQ(frames[1], TC);
    EXPECT_EQ(frames[2], ST);
    for (size_t i = 3; i < 10; ++i) EXPECT_EQ(frames[i], TC) << i;
    EXPECT_EQ(frames[10], TC);
    EXPECT_EQ(frames[11], ST);
    const auto all = trace->all();
    EXPECT_GE(all[1].at - all[0].at, 990ms) << "a second passes before the poller starts";
    EXPECT_EQ(consoleLines(), (std::vector<std::string>{"RS422 Ready", " "}));
    EXPECT_TRUE(panel->getLoggerEnabled());
    EXPECT_GE(panel->getShows(), 1);
    EXPECT_EQ(panel->getStatuses().front(), "RS422 Ready");
}

TEST_F(Controller, StatusComesEveryEighthCycleAndASilentDeckKeepsTheTimeAndThePace) {
    DeckSim::Options opts;
    opts.deck.startFrames = ninepin::FramesOf(1, 56, 34, 12);
    start(Settings(), opts);
    startedUp();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(vcr->getTCString(), "01:56:34:12");
    EXPECT_EQ(vcr->tcframes.load(), 108000 + 56 * 1800 + 34 * 30 + 12);

    auto cyclesIn = [&](std::chrono::milliseconds span) {
        const long c0 = vcr->poller()->cycles();
        std::this_thread::sleep_for(span);
        return vcr->poller()->cycles() - c0;
    };
    const long answered = cyclesIn(900ms);
    sim->setNoReply(true);
    std::this_thread::sleep_for(100ms);
    trace->clear();
    const long silent = cyclesIn(900ms);
    EXPECT_NEAR(static_cast<double>(silent), static_cast<double>(answered), 3.0);
    EXPECT_EQ(vcr->getTCString(), "01:56:34:12");
    EXPECT_EQ(vcr->tcframes.load(), 108000 + 56 * 1800 + 34 * 30 + 12);
    const auto statuses = panel->getStatuses();
    EXPECT_EQ(statuses.back(), "No VCR Status");

    // Between two status reads there are exactly eight time reads.
    const auto frames = trace->bytes();
    std::vector<size_t> statusAt;
    for (size_t i = 0; i < frames.size(); ++i)
        if (frames[i] == ST) statusAt.push_back(i);
    ASSERT_GE(statusAt.size(), 2u);
    for (size_t k = 1; k < statusAt.size(); ++k) EXPECT_EQ(statusAt[k] - statusAt[k - 1], 9u);

    const TCThread* first = vcr->poller();
    vcr->GetTC();
    EXPECT_EQ(vcr->poller(), first) << "one poller only";
}

TEST_F(Controller, EveryTransportOperationSendsExactlyItsFrameAndSettlesAsItShould) {
    start();
    startedUp();
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
        vcr->cueplay = true;
        vcr->reviewclip = true;
        vcr->duration = 300;
        (vcr.get()->*c.op)();
        ASSERT_TRUE(trace->waitForCommands(1)) << c.name;
        EXPECT_EQ(trace->commandBytes(), std::vector<std::string>{c.frame}) << c.name;
        EXPECT_EQ(vcr->cueplay.load(), !c.settles) << c.name;
        EXPECT_EQ(vcr->reviewclip.load(), !c.settles) << c.name;
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
        vcr->reviewclip = true;
        s.reverse ? vcr->shutrev(s.speed) : vcr->shutfwd(s.speed);
        ASSERT_TRUE(trace->waitForCommands(1));
        EXPECT_EQ(trace->commandBytes(), std::vector<std::string>{s.frame});
        EXPECT_TRUE(vcr->reviewclip.load()) << "shuttle leaves a review in place";
    }
}

TEST_F(Controller, StatusRepliesBecomeWordsMarksAndFlagsAndANakChangesNothing) {
    Settings s;
    s.useclipboard = true;
    DeckSim::Options opts;
    opts.deck.seekMs = 0;
    start(s, opts);
    startedUp();
    vcr->play();
    vcr->status();
    EXPECT_EQ(vcr->getStatusString(), "Play ");
    EXPECT_EQ(panel->getMarks(), std::vector<Mark>{Mark::Play});
    vcr->jogr();
    vcr->status();
    EXPECT_EQ(vcr->getStatusString(), "Jog ");
    EXPECT_EQ(panel->getMarks(), std::vector<Mark>{Mark::JogR});

    vcr->CommandB0(CommandFrames::bscue);
    std::this_thread::sleep_for(20ms);
    vcr->status();
    EXPECT_TRUE(vcr->cueup.load());
    EXPECT_EQ(vcr->getStatusString(), "CuedUp ");

    // A refused frame: the controller's state stays as it was.
    sim->setNakEvery(1);
    vcr->stop();
    sim->setNakEvery(0);
    vcr->status();
    EXPECT_EQ(vcr->getStatusString(), "CuedUp ");

    // Every time read also goes to the clipboard, with a line feed.
    std::this_thread::sleep_for(100ms);
    const auto clip = panel->getClipboard();
    ASSERT_FALSE(clip.empty());
    EXPECT_EQ(clip.back(), vcr->getTCString() + "\n");
}

TEST_F(Controller, WithTheClipboardOffNoTimeReachesIt) {
    start();
    startedUp();
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(panel->getTimes().empty());
    EXPECT_TRUE(panel->getClipboard().empty());
}

TEST_F(Controller, TheInFieldBecomesTheCueStringOrIsRefused) {
    start();
    startedUp();
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

TEST_F(Controller, VantoIsSetUpWithItsFramesAFourSecondPauseAndItsConsoleLines) {
    Settings s;
    s.vanto = true;
    s.VCRType = "VANTO";
    s.lanc = true; // the recorder's interval wins
    start(s);
    startedUp();
    std::this_thread::sleep_for(100ms);
    const auto all = trace->all();
    ASSERT_GE(all.size(), 8u);
    const std::vector<std::string> expected = {
        "F3 02 D0 00 10 D5 ", "F3 02 A1 04 00 9A ", "F3 02 10 02 00 07 ", "F3 02 40 00 00 35 ",
        "F3 02 62 00 00 57 ", "F3 02 70 00 00 65 ", "41 36 00 77 ",       TC};
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(all[i].bytes, expected[i]) << i;
    EXPECT_GE(all[1].at - all[0].at, 3990ms);
    EXPECT_LE(all[1].at - all[0].at, 4300ms);
    EXPECT_LE(all[5].at - all[1].at, 250ms) << "no pause between the set-up frames";
    EXPECT_EQ(vcr->poller()->getsleeptime(), 20);
    EXPECT_EQ(sim->setupValues().at(0xA1), 4);
    EXPECT_EQ(consoleLines(), (std::vector<std::string>{
                                  "Setting BVW75 Mode on VANTO", "Setting Compression on VANTO = 4",
                                  "Setting PAL/NTSC Mode to NTSC", "Setting PAL/NTSC Mode to COMP",
                                  "Setting Loop Record Mode to NO", "Setting Loop Play Mode to NO",
                                  "VANTO Ready", " "}));
}

// A deck whose time reply has a seconds byte that is not BCD: the reply is refused whole.
TEST(ControllerOnARawLine, ATimeReplyWithABadSecondsNibbleIsRefusedWhole) {
    Pty deck;
    SerOutPort link(deck.slavePath());
    link.setwait(9);
    RecordingPanel* panel = nullptr;
    std::atomic<bool> running{true};
    std::atomic<int> badReplies{0};
    std::thread peer([&] {
        while (running) {
            const auto frame = deck.read(4, 20);
            if (frame.size() < 3) continue;
            if (frame[0] == 0x61 && frame[1] == 0x0C) {
                const bool bad = badReplies.load() > 0;
                deck.write(
                    bad ? std::vector<std::uint8_t>{0x74, 0x04, 0x10, 0x9A, 0x02, 0x01, 0x25}
                        : std::vector<std::uint8_t>{0x74, 0x04, 0x10, 0x20, 0x02, 0x01, 0xAB});
                if (bad) ++badReplies;
            } else if (frame[0] == 0x61) {
                deck.read(0, 5);
            } else {
                deck.write({0x10, 0x01, 0x11});
            }
        }
    });
    Settings s;
    LocalVCR vcr(link, 2001, false, s, [&](LocalVCR&) {
        auto p = std::make_unique<RecordingPanel>();
        panel = p.get();
        return p;
    });
    vcr.waitIdle();
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(vcr.getTCString(), "01:02:20:10");
    const size_t shown = panel->getTimes().size();
    badReplies = 1;
    std::this_thread::sleep_for(300ms);
    EXPECT_GT(badReplies.load(), 3) << "the poller keeps asking";
    EXPECT_EQ(vcr.getTCString(), "01:02:20:10");
    EXPECT_EQ(vcr.tcframes.load(), 108000 + 2 * 1800 + 20 * 30 + 10);
    EXPECT_EQ(panel->getTimes().size(), shown) << "nothing shown";
    EXPECT_TRUE(vcr.poller()->running());
    running = false;
    peer.join();
}
