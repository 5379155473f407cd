// The controller honest about the deck: refused commands, LOCAL, no tape, a silent deck and a
// line that goes away, on the simulated deck through the real link.
#include "ControllerFixture.h"

#include <algorithm>

using namespace decktest;

namespace {

long countOf(const std::vector<std::string>& lines, const std::string& line) {
    return std::count(lines.begin(), lines.end(), line);
}

// Status reads the deck has answered since the trace was cleared.
size_t statusReads(const TraceLog& trace) {
    const auto frames = trace.bytes();
    return static_cast<size_t>(std::count(frames.begin(), frames.end(), ST));
}

} // namespace

TEST_F(Controller, ARefusedCommandIsShownAndLoggedAndStaysThreeSecondsBeforeTheWords) {
    start();
    ASSERT_NO_FATAL_FAILURE(startedUp());
    ASSERT_TRUE(waitUntil([&] { return vcr->shownStatus() == "Stop "; }, 20s));

    sim->setNakEvery(1);
    const auto t0 = clock_type::now();
    vcr->play();
    vcr->CommandB8(); // refused senses: no reply, no message
    vcr->status();
    sim->setNakEvery(0);
    const std::string refused = "Deck refused Play (time-out)";
    const auto statuses = panel->getStatuses();
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), refused), statuses.end());
    EXPECT_EQ(vcr->shownStatus(), refused);
    EXPECT_EQ(countOf(consoleLines(), refused), 1);
    EXPECT_EQ(sim->snapshot().mode, DeckModel::Mode::Stop) << "the deck did not take it";
    for (const std::string& line : consoleLines())
        EXPECT_EQ(line.find("Sense"), std::string::npos) << "a refused sense is no reply: " << line;

    // The poller's words wait until the message has had its three seconds.
    trace->clear();
    ASSERT_TRUE(waitUntil([&] { return vcr->shownStatus() != refused; }, 20s));
    EXPECT_GE(clock_type::now() - t0, 3000ms);
    EXPECT_GE(statusReads(*trace), 2u) << "words came and waited";
    EXPECT_EQ(vcr->shownStatus(), "Stop ");

    // Each bit its reason, in bit order, for the command the frame carries.
    // A loaded machine may hold the refusal past the reply wait (the exchange then has no
    // reply to read): the command goes again until one refusal comes within it.
    const std::string refusedCue = "Deck refused Cue Up With Data (time-out)";
    sim->setNakEvery(1);
    for (int i = 0; i < 10 && countOf(consoleLines(), refusedCue) == 0; ++i)
        vcr->CommandB0(CommandFrames::bscue);
    sim->setNakEvery(0);
    EXPECT_EQ(countOf(consoleLines(), refusedCue), 1);
}

TEST_F(Controller, LocalAndNoTapeShowInPlaceOfTheWordsWithOneLogLineEachWay) {
    start();
    ASSERT_NO_FATAL_FAILURE(startedUp());
    ASSERT_TRUE(waitUntil([&] { return vcr->shownStatus() == "Stop "; }, 20s));
    const std::string local = "Deck in LOCAL: remote control is off";

    sim->setLocal(true);
    ASSERT_TRUE(waitUntil([&] { return vcr->shownStatus() == local; }));
    // A polling client's command does not hide the condition.
    vcr->ShowStat("Client Command: GetTC");
    EXPECT_EQ(vcr->shownStatus(), local);
    // The window shows a pressed button's name at once, past the controller; LOCAL comes back
    // once a message's three seconds are over.
    panel->ShowStatus("Play");
    const auto pressed = clock_type::now();
    vcr->play(); // acknowledged, not carried out
    trace->clear();
    ASSERT_TRUE(waitUntil([&] { return statusReads(*trace) >= 3; }));
    EXPECT_EQ(vcr->shownStatus(), local);
    EXPECT_EQ(vcr->getStatusString(), "Stop ") << "the deck's words are still read";
    ASSERT_TRUE(waitUntil([&] { return panel->getStatuses().back() == local; }, 20s));
    EXPECT_GE(clock_type::now() - pressed, 3000ms);

    sim->ejectTape();
    trace->clear();
    ASSERT_TRUE(waitUntil([&] { return statusReads(*trace) >= 2; }));
    EXPECT_EQ(vcr->shownStatus(), local) << "LOCAL before no tape";
    sim->setLocal(false);
    ASSERT_TRUE(waitUntil([&] { return vcr->shownStatus() == "No tape"; }));
    sim->loadTape();
    ASSERT_TRUE(waitUntil([&] { return vcr->shownStatus() == "Stop "; }));

    const auto lines = consoleLines();
    for (const char* line : {"Deck in LOCAL", "Deck back in REMOTE", "No tape", "Tape loaded"})
        EXPECT_EQ(countOf(lines, line), 1) << line;
    const auto at = [&](const char* line) { return std::find(lines.begin(), lines.end(), line); };
    EXPECT_LT(at("Deck in LOCAL"), at("No tape"));
    EXPECT_LT(at("No tape"), at("Deck back in REMOTE"));
    EXPECT_LT(at("Deck back in REMOTE"), at("Tape loaded"));
}

TEST_F(Controller, ASilentDeckGreysTheTimeClearsTheMarksAndTheFirstReplyRestoresThem) {
    start();
    ASSERT_NO_FATAL_FAILURE(startedUp());
    vcr->play();
    ASSERT_TRUE(waitUntil([&] { return panel->getMarks() == std::vector<Mark>{Mark::Play}; }));

    sim->setNoReply(true);
    ASSERT_TRUE(waitUntil([&] { return vcr->shownStatus() == "No reply from deck"; }));
    EXPECT_EQ(panel->getTimeLive(), std::vector<bool>{false});
    EXPECT_TRUE(panel->getMarks().empty());
    const std::string frozen = vcr->getTCString();
    const size_t times = panel->getTimes().size();
    trace->clear();
    ASSERT_TRUE(waitUntil([&] { return statusReads(*trace) >= 3; }));
    EXPECT_EQ(vcr->shownStatus(), "No reply from deck") << "not \"No VCR Status\"";
    EXPECT_EQ(vcr->statusAnswer(), "No reply from deck") << "a client is not told \"Play \"";
    EXPECT_EQ(panel->getTimes().size(), times);
    // A status reply that strays in meanwhile (a late answer landing in another exchange) shows
    // no marks.
    vcr->ExtractStatusString(ninepin::Frame(0x7, 0x20, {0x00, 0x01, 0x00, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(panel->getMarks().empty());

    sim->setNoReply(false);
    ASSERT_TRUE(waitUntil([&] {
        return panel->getTimeLive() == std::vector<bool>{false, true} &&
               vcr->shownStatus() == "Play " && panel->getMarks() == std::vector<Mark>{Mark::Play};
    }));
    EXPECT_NE(vcr->getTCString(), frozen);
    const auto lines = consoleLines();
    EXPECT_EQ(countOf(lines, "No reply from deck"), 1) << "one line, not one a poll";
    EXPECT_EQ(countOf(lines, "Deck replies again"), 1);
}

namespace {

// A controller whose link opens the deck through a symbolic link, which the deck moves to its
// new line when it comes back.
class LinkedController : public Controller {
protected:
    void TearDown() override {
        stopAll(); // the controller first: it talks through the link
        port.reset();
        deck.reset();
        Controller::TearDown();
    }
    std::string path = "/tmp/kolb-deck-link-" + std::to_string(::getpid());
    std::unique_ptr<DeckSim> deck;
    std::unique_ptr<SerOutPort> port;
};

} // namespace

TEST_F(LinkedController, ALostLineIsSaidOnceRefusedAtOnceAndPollingGoesOnWhenItIsBack) {
    DeckSim::Options opts;
    opts.link = path;
    deck = std::make_unique<DeckSim>(opts);
    port = std::make_unique<SerOutPort>(path);
    port->setwait(DeckRig::patientWait);
    makeController(*port, Settings());
    ASSERT_NO_FATAL_FAILURE(startedUp());
    ASSERT_TRUE(waitUntil([&] { return vcr->shownStatus() == "Stop "; }, 20s));

    deck->disappear();
    const std::string lost = "Deck link lost: " + path;
    ASSERT_TRUE(waitUntil([&] { return vcr->shownStatus() == lost; }));
    const long cycles = vcr->poller()->cycles();
    ASSERT_TRUE(waitUntil([&] { return vcr->poller()->cycles() >= cycles + 40; }));
    EXPECT_TRUE(port->linkLost());
    EXPECT_EQ(vcr->shownStatus(), lost) << "through the silence that follows";
    EXPECT_EQ(vcr->statusAnswer(), lost);
    const auto t0 = clock_type::now();
    vcr->play();
    EXPECT_LT(clock_type::now() - t0, std::chrono::milliseconds(DeckRig::patientWait))
        << "refused at once";
    auto lines = consoleLines();
    EXPECT_EQ(countOf(lines, lost), 1);
    EXPECT_EQ(countOf(lines, "Unable to write to Serial Port"), 0);

    deck->comeBack();
    const std::string restored = "Deck link restored: " + path;
    ASSERT_TRUE(waitUntil([&] { return !port->linkLost(); }));
    ASSERT_TRUE(waitUntil([&] {
        const std::vector<bool> live = panel->getTimeLive();
        return !live.empty() && live.back();
    }));
    const int before = deck->framesReceived();
    ASSERT_TRUE(waitUntil([&] { return deck->framesReceived() >= before + 10; }))
        << "polling goes on, on the new line";
    lines = consoleLines();
    EXPECT_EQ(countOf(lines, restored), 1);
    const auto statuses = panel->getStatuses();
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), restored), statuses.end());
    ASSERT_TRUE(waitUntil([&] { return vcr->shownStatus() == "Stop "; }, 20s));
}
