// The command language and the script runner driving the simulated deck through the real
// controller and link: the frames each word sends, and a script file in a working folder of its
// own, its console lines read back from the log file.
#include "ControllerFixture.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>

using namespace decktest;
namespace fs = std::filesystem;

namespace {

const std::string STOP = "20 00 20 ";
const std::string PLAY = "20 01 21 ";

// A fresh folder made the working folder for the scope (put back at the end, also when an
// assertion ends the test early); run() writes the console to the log file in it meanwhile.
class ScriptFolder {
public:
    ScriptFolder() {
        char name[] = "/tmp/kolb-run-XXXXXX";
        if (::mkdtemp(name)) dir = name;
        before = fs::current_path();
        fs::current_path(dir);
    }
    ~ScriptFolder() {
        fs::current_path(before);
        std::error_code e;
        fs::remove_all(dir, e);
    }
    void run(const std::function<void()>& f) {
        Utils::SetLineSink({});
        std::fflush(stdout);
        const int savedOut = ::dup(STDOUT_FILENO);
        Utils::RedirectConsole("KOLB_Log.txt");
        f();
        std::fflush(stdout);
        ::dup2(savedOut, STDOUT_FILENO);
        ::close(savedOut);
    }
    void write(const std::string& text) { std::ofstream(dir / "Script.txt") << text; }
    // The log's lines, without the link's word on a late reply: a busy machine can make one
    // at any time, and it is not the script's.
    std::vector<std::string> log() const {
        std::vector<std::string> lines;
        std::ifstream in(dir / "KOLB_Log.txt");
        for (std::string l; std::getline(in, l);)
            if (!l.starts_with("Late reply from the deck dropped")) lines.push_back(l);
        return lines;
    }

private:
    fs::path dir, before;
};

using Lines = std::vector<std::string>;
const Lines opening = {" ", "**********", "Found Script.txt File"};
const Lines closing = {"Script ended", "**********", " "};
Lines operator+(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

TEST_F(Controller, EveryCommandWordSendsItsFrame) {
    start();
    ASSERT_NO_FATAL_FAILURE(startedUp());
    // The cue runs skip their waits: each is over before the next word.
    vcr->setCueDelay([](int) { return true; });
    const std::pair<const char*, Lines> words[] = {
        {"Play", {PLAY}},
        {"Pause", {"21 13 00 34 "}},
        {"Stop", {STOP}},
        {"Forward", {"20 10 30 "}},
        {"Rewind", {"20 20 40 "}},
        {"Record", {"20 02 22 "}},
        {"GetTC", {}},
        {"Status", {}},
        {"JogF", {"21 11 10 42 "}},
        {"JogR", {"21 21 10 52 "}},
        {"Fast2", {"21 13 4A 7E "}},
        {"Fast5", {"21 13 56 8A "}},
        {"Slow5", {"21 12 2D 60 "}},
        {"Slow3", {"21 12 30 63 "}},
        {"Slow2", {"21 12 36 69 "}},
        {"EEOn", {"20 61 81 "}},
        {"EEOff", {"20 60 80 "}},
        {"SbyOn", {"20 05 25 "}},
        {"SbyOff", {"20 04 24 "}},
        {"tc101:02:03:04", {}},
        {"CueIn", {"24 31 04 03 02 01 5F ", "21 13 00 34 "}},
        {"tc200:00:05:00", {}},
        {"CueOut", {"24 31 00 05 00 00 5A ", "21 13 00 34 "}},
        {"CuePlay", {"24 31 04 03 02 01 5F ", "21 13 00 34 ", PLAY}},
        {"Wait0", {}},
    };
    for (const auto& [word, frames] : words) {
        trace->clear();
        EXPECT_TRUE(vcr->ParseNetCommand(word)) << word;
        // The words that send nothing: give the link a moment in which a frame would show.
        if (frames.empty()) ASSERT_TRUE(trace->waitForFrames(2));
        else ASSERT_TRUE(trace->waitForCommands(frames.size())) << word;
        if (auto run = vcr->cuethread()) {
            ASSERT_TRUE(waitUntil([&] { return run->finished(); })) << word;
        }
        EXPECT_EQ(trace->commandBytes(), frames) << word;
    }
    EXPECT_EQ(panel->texts().in(), "01:02:03:04");
    EXPECT_EQ(panel->texts().out(), "00:00:05:00");
    trace->clear();
    EXPECT_FALSE(vcr->ParseNetCommand("Play "));
    EXPECT_FALSE(vcr->ParseNetCommand("play"));
    ASSERT_TRUE(trace->waitForFrames(2));
    EXPECT_TRUE(trace->commandBytes().empty());
}

TEST_F(Controller, AScriptRunsItsLinesAndLogsThem) {
    start();
    ASSERT_NO_FATAL_FAILURE(startedUp());
    trace->clear();
    ScriptFolder folder;
    folder.write("Play\nWait1\n;stop it now\nStop\nQuit\nRewind\n");
    folder.run([&] { vcr->script(); });
    EXPECT_FALSE(vcr->getscriptactive());
    ASSERT_TRUE(trace->waitForCommands(2));
    const auto cmds = trace->commands();
    ASSERT_EQ(cmds.size(), 2u);
    EXPECT_EQ(cmds[0].bytes, PLAY);
    EXPECT_EQ(cmds[1].bytes, STOP);
    // The deck may read Play late on a busy machine, which shortens the gap it sees.
    EXPECT_GE(cmds[1].at - cmds[0].at, 900ms) << "Wait1 sleeps a second between them";
    EXPECT_EQ(folder.log(), (opening + Lines{"Play", "Wait1", ";stop it now", "Stop"} + closing));
}

TEST_F(Controller, AScriptsNextLineRunsOnlyOnceItsReviewHasStoppedTheDeck) {
    Settings s;
    s.vanto = true;
    DeckSim::Options o;
    o.deck.seekMs = 100;
    start(s, o);
    ASSERT_NO_FATAL_FAILURE(startedUp());
    trace->clear();
    ScriptFolder folder;
    folder.write("tc100:00:10:00\ntc200:00:11:00\nReview\nRewind\ntc1junk\nCueIn\nPlay\n");
    folder.run([&] { vcr->script(); });
    const Lines expected = {STOP, "24 31 00 10 00 00 65 ", "21 13 00 34 ", PLAY, STOP, "20 20 40 "};
    // The deck may read the last frame a little after the link wrote it.
    trace->waitForCommands(expected.size());
    const auto frames = trace->commandBytes();
    EXPECT_EQ(frames, expected) << "Rewind only after the review's Stop; no cue to junk, no Play";
    const Lines echoed = {"tc100:00:10:00", "tc200:00:11:00", "Review", "Rewind", "tc1junk",
                          "CueIn",          "Script Error"};
    EXPECT_EQ(folder.log(), opening + echoed + closing);
    EXPECT_FALSE(vcr->getscriptactive());
    const auto shown = panel->getStatuses();
    EXPECT_NE(std::find(shown.begin(), shown.end(), "Invalid Timecode: junk"), shown.end());
}

TEST_F(Controller, NoScriptFileIsSaidInTheLog) {
    start();
    ASSERT_NO_FATAL_FAILURE(startedUp());
    ScriptFolder folder;
    const auto t0 = clock_type::now();
    folder.run([&] { vcr->script(); });
    EXPECT_GE(clock_type::now() - t0, 990ms);
    EXPECT_EQ(folder.log(), Lines{"No script file found!"});
}
