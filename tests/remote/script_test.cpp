// The script runner on real files in a temporary folder: which lines run, what the console
// shows, and that every way of ending writes the closing lines and clears the script flag.
#include "RecordingTarget.h"
#include "ScriptRunner.h"
#include "Utils.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

namespace {

const Lines opening = {" ", "**********", "Found Script.txt File"};
const Lines closing = {"Script ended", "**********", " "};

Lines operator+(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class Script : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/kolb-script-XXXXXX";
        ASSERT_NE(::mkdtemp(name), nullptr);
        dir = name;
        path = (dir / "Script.txt").string();
        Utils::SetLineSink([this](const std::string& l) { console.push_back(l); });
    }
    void TearDown() override {
        Utils::SetLineSink({});
        target.onWait = {};
        target.onPlay = {};
        std::error_code e;
        fs::remove_all(dir, e);
    }
    void write(const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    // Runs the file; the script flag must be clear again afterwards, whatever happened.
    void run() {
        RunScript(target, path);
        EXPECT_FALSE(target.active.load()) << "the script flag stays set";
    }

    fs::path dir;
    std::string path;
    Lines console; // written by the runner on the test's own thread
    RecordingTarget target;
};

} // namespace

TEST_F(Script, RunsEachLineInOrderBetweenTheOpeningAndClosingLines) {
    write("Play\nWait3\nStop\n");
    run();
    EXPECT_EQ(target.calls(), (Lines{"active=1", "play", "wait 3000", "stop", "active=0"}));
    EXPECT_EQ(console, (opening + Lines{"Play", "Wait3", "Stop"} + closing));
}

TEST_F(Script, EndsQuietlyAtQuitAShortLineOrTheEndOfTheFile) {
    struct Case {
        const char* file;
        Lines calls;
        Lines echoed;
    };
    const Case cases[] = {
        {"\nPlay\n", {}, {}},
        {"Play\nQuit\nStop\n", {"play"}, {"Play"}},
        {"Play\n;\nStop\n", {"play"}, {"Play"}},
        {"Play\nabc\nStop\n", {"play"}, {"Play"}},
        {";rewind first\nPlay", {"play"}, {";rewind first", "Play"}},
        {"Play\r\nStop\r\n", {"play", "stop"}, {"Play", "Stop"}},
        {"Play\rStop\r\rRewind\r", {"play", "stop"}, {"Play", "Stop"}},
        // Three characters in five bytes: short.
        {"Play\n;\u00e9\u00e9\nStop\n", {"play"}, {"Play"}},
        {"", {}, {}},
    };
    for (const Case& c : cases) {
        target.clear();
        console.clear();
        write(c.file);
        run();
        EXPECT_EQ(target.calls(), (Lines{"active=1"} + c.calls + Lines{"active=0"})) << c.file;
        EXPECT_EQ(console, (opening + c.echoed + closing)) << c.file;
    }
}

TEST_F(Script, ALineNotUnderstoodStopsTheScriptWithAnError) {
    for (const char* bad : {"xyzw", "Wait 5", "Waitabc", "play"}) {
        target.clear();
        console.clear();
        write(std::string(bad) + "\nPlay\n");
        run();
        EXPECT_EQ(target.calls(), (Lines{"active=1", "active=0"})) << bad;
        EXPECT_EQ(console, (opening + Lines{bad, "Script Error"} + closing)) << bad;
    }
    // A cue to a point that is not a timecode is not understood either.
    target.clear();
    console.clear();
    target.textsValid = false;
    write("tc1junk\nCueIn\nPlay\n");
    run();
    EXPECT_EQ(target.calls(), (Lines{"active=1", "in=junk", "cue", "active=0"}));
    EXPECT_EQ(console, (opening + Lines{"tc1junk", "CueIn", "Script Error"} + closing));
}

TEST_F(Script, ALineLongerThanTheLimitEndsTheScriptUnreadAndUnrun) {
    const std::string longest = "tc1" + std::string(maxScriptLine - 3, '0');
    const struct {
        const char* what;
        std::string text;
        Lines calls;
        Lines console;
    } cases[] = {
        {"a line at the limit runs",
         longest + "\nPlay\n",
         {"active=1", "in=" + longest.substr(3), "play", "active=0"},
         {longest, "Play"}},
        {"a CR ends a line at the limit",
         longest + "\r\nStop\n",
         {"active=1", "in=" + longest.substr(3), "stop", "active=0"},
         {longest, "Stop"}},
        {"one megabyte without an end",
         "Play\n" + std::string(1 << 20, 'P'),
         {"active=1", "play", "active=0"},
         {"Play", "Script line too long: more than 4096 characters", "Script Error"}},
    };
    for (const auto& c : cases) {
        target.clear();
        console.clear();
        write(c.text);
        run();
        EXPECT_EQ(target.calls(), c.calls) << c.what;
        EXPECT_EQ(console, opening + c.console + closing) << c.what;
    }
}

TEST_F(Script, AFailingOperationOrAnUnreadableFileStillEndsWithTheClosingLines) {
    target.onPlay = [] { throw std::runtime_error("link gone"); };
    write("Play\nStop\n");
    run();
    EXPECT_EQ(console, (opening + Lines{"Play", "Script Error"} + closing));
    EXPECT_EQ(target.calls(), (Lines{"active=1", "play", "active=0"}));

    // A folder, a pipe (whose opening would wait for a writer) or a device where the file
    // should be: nothing is read from it.
    const Lines notPlain = {"Script.txt is not a plain file: put the commands in a text file of "
                            "that name"};
    for (int kind = 0; kind < 3; ++kind) {
        console.clear();
        target.clear();
        fs::remove(path);
        if (kind == 0) fs::create_directory(path);
        if (kind == 1) {
            ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
        }
        if (kind == 2) fs::create_symlink("/dev/zero", path);
        run();
        EXPECT_EQ(console, (opening + notPlain + closing)) << kind;
        EXPECT_EQ(target.calls(), (Lines{"active=1", "active=0"}));
    }
}

TEST_F(Script, NoFileSaysSoAndPausesASecond) {
    run();
    EXPECT_EQ(console, Lines{"No script file found!"});
    EXPECT_EQ(target.calls(), (Lines{"delay 1000", "active=0"}));
}

TEST_F(Script, TheOperatorsStopEndsTheScriptAfterTheLineInProgress) {
    target.onWait = [this] { target.stopRequested = true; };
    write("Play\nWait60\nStop\nRewind\n");
    run();
    EXPECT_EQ(target.calls(), (Lines{"active=1", "play", "wait 60000", "active=0"}));
    EXPECT_EQ(console,
              (opening + Lines{"Play", "Wait60", "Script stopped by the operator"} + closing));
    EXPECT_FALSE(target.stopRequested.load()) << "the stop does not outlive the script";

    // A stop asked for before the script began is not this script's.
    console.clear();
    target.clear();
    target.onWait = {};
    target.stopRequested = true;
    write("Play\nStop\n");
    run();
    EXPECT_EQ(target.calls(), (Lines{"active=1", "play", "stop", "active=0"}));
}
