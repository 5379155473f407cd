// Cueing from the main window, offscreen, against the simulated deck through the real controller
// and link: the cue motions' frames and timing for a tape deck and a disk recorder, the cue
// controls locked while a run goes on, in and out points taken from the time display, refused
// timecodes, and Script.txt run from the window (a review holding the next line, the operator's
// Stop, closing while a script waits).
#include "WindowFixture.h"

#include <QLineEdit>
#include <QPalette>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <stdexcept>
#include <utility>

using namespace windowtest;

namespace {

namespace fs = std::filesystem;

const std::string pauseFrame = "21 13 00 34 ";
const std::string playFrame = "20 01 21 ";
const std::string stopFrame = "20 00 20 ";

const char* const cueLabels[] = {"CueIn", "CueOut", "Cue/Play", "Review"};
const QColor darkGrey(64, 64, 64);
const QColor lightGrey(192, 192, 192);

// How the cue controls look: "locked" (the four cue buttons disabled and dark grey, the in and
// out fields read-only), "unlocked" (enabled, light grey, editable), or else each control's state.
std::string cueControls(const LocalGUI& gui) {
    int locked = 0, unlocked = 0;
    std::string each;
    for (const char* label : cueLabels) {
        const QPushButton* b = gui.button(label);
        const QColor colour = b->palette().color(QPalette::Button);
        if (!b->isEnabled() && colour == darkGrey) ++locked;
        if (b->isEnabled() && colour == lightGrey) ++unlocked;
        each += std::string(label) + (b->isEnabled() ? " enabled " : " disabled ") +
                colour.name().toStdString() + ", ";
    }
    for (const auto& [name, field] : {std::pair{"in", gui.inField()}, {"out", gui.outField()}}) {
        if (field->isReadOnly())
            ++locked;
        else
            ++unlocked;
        each += std::string(name) + (field->isReadOnly() ? " read-only, " : " editable, ");
    }
    if (locked == 6) return "locked";
    if (unlocked == 6) return "unlocked";
    return each;
}

// Types over whatever the field holds, as the operator would.
void typeInto(QLineEdit* field, const std::string& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, QString::fromStdString(text));
}

// The deck stamps a frame when its thread reads it; on a busy machine that can be late, which
// makes a gap before it look longer and the gap after it shorter by as much. Lower bounds on
// gaps allow for it.
constexpr long long late = 100;

long long msBetween(const TraceLog::Frame& from, const TraceLog::Frame& to) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(to.at - from.at).count();
}

// Counts the cue controls' switches between enabled and disabled, editable and read-only.
class LockWatch : public QObject {
public:
    explicit LockWatch(const LocalGUI& gui) {
        for (const char* label : cueLabels) watched.push_back(gui.button(label));
        watched.push_back(gui.inField());
        watched.push_back(gui.outField());
        for (QObject* o : watched) o->installEventFilter(this);
    }
    ~LockWatch() override {
        for (QObject* o : watched) o->removeEventFilter(this);
    }
    int changes = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::EnabledChange || e->type() == QEvent::ReadOnlyChange) ++changes;
        return false;
    }

private:
    std::vector<QObject*> watched;
};

// Holds the first cue run that starts its settle of settleMs until released (at most 10 s), so a
// test can look at the window while the run is surely in its settle. Other waits pass at once.
struct SettleHold {
    explicit SettleHold(int ms) : settleMs(ms) {}

    // The cue runs' wait hook: holds when due, then lets the run sleep as usual.
    bool pass(int ms) {
        std::unique_lock lock(mutex);
        if (ms != settleMs || used) return false;
        used = true;
        holding = true;
        changed.wait_for(lock, std::chrono::seconds(10), [this] { return open; });
        holding = false;
        return false;
    }
    bool held() {
        std::lock_guard lock(mutex);
        return holding;
    }
    void release() {
        {
            std::lock_guard lock(mutex);
            open = true;
        }
        changed.notify_all();
    }

    const int settleMs;
    std::mutex mutex; // guards used, holding and open
    std::condition_variable changed;
    bool used = false;
    bool holding = false;
    bool open = false;
};

// A fresh directory made the working directory, with Script.txt in it; the previous working
// directory comes back (and the directory goes) when this ends.
class ScriptDirectory {
public:
    explicit ScriptDirectory(const std::vector<std::string>& lines) : previous(fs::current_path()) {
        char name[] = "/tmp/kolb-script-XXXXXX";
        if (::mkdtemp(name) == nullptr) throw std::runtime_error("mkdtemp failed");
        dir = name;
        fs::current_path(dir);
        write(lines);
    }
    ~ScriptDirectory() {
        std::error_code ignored;
        fs::current_path(previous, ignored);
        fs::remove_all(dir, ignored);
    }
    ScriptDirectory(const ScriptDirectory&) = delete;
    ScriptDirectory& operator=(const ScriptDirectory&) = delete;

    void write(const std::vector<std::string>& lines) {
        std::ofstream file(dir / "Script.txt", std::ios::trunc);
        for (const std::string& line : lines) file << line << '\n';
    }

private:
    fs::path previous;
    fs::path dir;
};

Settings diskRecorder() {
    Settings s;
    s.vanto = true;
    s.VCRType = "VANTO";
    return s;
}

} // namespace

class CueWindow : public Window {
protected:
    void TearDown() override {
        Window::TearDown();
        script.reset();
    }

    // Makes Script.txt with these lines in a fresh working directory for the rest of the test.
    void writeScript(const std::vector<std::string>& lines) {
        if (script)
            script->write(lines);
        else
            script.emplace(lines);
    }
    // From now on the console's lines are also stamped with the time each was written.
    void stampConsole() {
        Utils::SetLineSink([this](const std::string& line) {
            std::lock_guard lock(linesMutex);
            lines.push_back(line);
            stamped.emplace_back(line, Clock::now());
        });
    }
    std::optional<Clock::time_point> stampOf(const std::string& line) {
        std::lock_guard lock(linesMutex);
        for (const auto& [text, at] : stamped)
            if (text == line) return at;
        return std::nullopt;
    }
    bool consoleHas(const std::string& line, size_t mark = 0) {
        const auto since = consoleSince(mark);
        return std::find(since.begin(), since.end(), line) != since.end();
    }
    // Starts a script whose review plays towards an out point most of a minute away, and waits
    // until it plays; mark is where the console stood before the script.
    void startScriptedReview(size_t& mark) {
        writeScript({"tc100:00:10:00", "tc200:01:00:00", "Review", "Play"});
        start(diskRecorder());
        mark = consoleLines().size();
        QTest::mouseClick(gui->button("SCRIPT"), Qt::LeftButton);
        ASSERT_TRUE(waitFor(
            [&] {
                const auto c = trace->commandBytes();
                return c.size() >= 4 && c[3] == playFrame;
            },
            15s))
            << "the review did not start playing";
    }
    // Waits until the newest cue run has ended.
    bool waitForRun(std::chrono::milliseconds deadline = 15s) {
        return waitFor(
            [this] {
                const auto run = vcr->cuethread();
                return run && run->finished();
            },
            deadline);
    }

    std::optional<ScriptDirectory> script;
    // Guarded by linesMutex.
    std::vector<std::pair<std::string, Clock::time_point>> stamped;
};

TEST_F(CueWindow, DiskRecorderCuesToEachFieldsPointAndPlaysShortlyAfterThePause) {
    DeckSim::Options opts;
    opts.deck.seekMs = 100;
    auto hold = std::make_shared<SettleHold>(50);
    // Released on every way out, so the run never waits its whole 10 s.
    const std::shared_ptr<void> releaseAtEnd(nullptr, [hold](void*) { hold->release(); });
    start(diskRecorder(), opts);
    StatusLog status(gui->statusField());
    vcr->setCueDelay([hold](int ms) { return hold->pass(ms); });
    const size_t mark = consoleLines().size();

    // CueIn: the cue frame, the pause once the deck reports cue-up, nothing more.
    typeInto(gui->inField(), "01:02:03:04");
    press("CueIn");
    ASSERT_TRUE(waitFor([&] { return hold->held(); }, 15s)) << "the run did not reach its settle";
    // The pause is sent before the settle, but the simulator's thread may not have taken it yet.
    const Frames cued{"24 31 04 03 02 01 5F ", pauseFrame};
    EXPECT_TRUE(waitFor([&] { return trace->commandBytes() == cued; }))
        << ::testing::PrintToString(trace->commandBytes());
    EXPECT_TRUE(waitFor([&] { return cueControls(*gui) == "locked"; })) << cueControls(*gui);
    EXPECT_FALSE(vcr->cuethread()->finished());
    // From here the poller's readings come one byte short and show nothing: what the status line
    // shows at the end is the run's own.
    ASSERT_TRUE(silencePoller());
    hold->release();
    ASSERT_TRUE(waitForRun());
    EXPECT_TRUE(waitFor([&] { return cueControls(*gui) == "unlocked"; })) << cueControls(*gui);
    EXPECT_TRUE(waitFor([&] { return status.has("CUED!!"); })) << status.last();
    EXPECT_EQ(trace->commandBytes(), (Frames{"24 31 04 03 02 01 5F ", pauseFrame}))
        << "a cue alone does not play";
    EXPECT_EQ(sim->snapshot().frames, ninepin::FramesOf(1, 2, 3, 4)) << "the deck sits at the cue";
    EXPECT_TRUE(consoleHas("Cue/Review/Play Finished!", mark));
    sim->setDropByte(false);

    // CueOut: the same from the out field.
    trace->clear();
    typeInto(gui->outField(), "00:20:00:00");
    press("CueOut");
    ASSERT_TRUE(waitForRun());
    EXPECT_EQ(trace->commandBytes(), (Frames{"24 31 00 00 20 00 75 ", pauseFrame}));
    EXPECT_EQ(sim->snapshot().frames, ninepin::FramesOf(0, 20, 0, 0));
    EXPECT_TRUE(waitFor([&] { return cueControls(*gui) == "unlocked"; })) << cueControls(*gui);

    // Cue/Play: plays 50 ms + 20 ms after the pause.
    trace->clear();
    typeInto(gui->inField(), "00:40:00:00");
    press("Cue/Play");
    ASSERT_TRUE(waitForRun());
    EXPECT_EQ(trace->commandBytes(), (Frames{"24 31 00 00 40 00 95 ", pauseFrame, playFrame}));
    const auto cmds = trace->commands();
    ASSERT_EQ(cmds.size(), 3u);
    // Far below the tape deck's 4 s (the deck tests count the run's 50 and 20 ms waits).
    EXPECT_LE(msBetween(cmds[1], cmds[2]), 70 + 2000);
    const auto deck = sim->snapshot();
    EXPECT_EQ(deck.cueTarget, ninepin::FramesOf(0, 40, 0, 0));
    EXPECT_EQ(deck.mode, DeckModel::Mode::Play);
    EXPECT_GE(deck.frames, ninepin::FramesOf(0, 40, 0, 0)) << "playing on from the cue point";
    EXPECT_TRUE(waitFor([&] { return cueControls(*gui) == "unlocked"; })) << cueControls(*gui);
}

TEST_F(CueWindow, TapeDeckPlaysFourSecondsAfterThePauseWithTheCueControlsLockedMeanwhile) {
    DeckSim::Options opts;
    opts.deck.seekMs = 100;
    // The run is held at the start of its 2 s settle until the poller is silenced below, so no
    // status reading can come after the run's "CUED!!".
    auto hold = std::make_shared<SettleHold>(2000);
    const std::shared_ptr<void> releaseAtEnd(nullptr, [hold](void*) { hold->release(); });
    start(Settings(), opts);
    StatusLog status(gui->statusField());
    vcr->setCueDelay([hold](int ms) { return hold->pass(ms); });
    typeInto(gui->inField(), "00:10:00:00");
    press("Cue/Play");
    ASSERT_TRUE(waitFor([&] { return hold->held(); }, 15s)) << "the run did not reach its settle";
    EXPECT_EQ(trace->commandBytes(), (Frames{"24 31 00 00 10 00 65 ", pauseFrame}));

    // The run settles for 2 s and waits 2 s more before it plays.
    EXPECT_TRUE(waitFor([&] { return cueControls(*gui) == "locked"; })) << cueControls(*gui);
    EXPECT_EQ(trace->commands().size(), 2u) << "locked while the run settles, before the play";
    EXPECT_FALSE(vcr->cuethread()->finished());
    typeInto(gui->inField(), "00:00:00:01");
    EXPECT_EQ(gui->inField()->text().toStdString(), "00:10:00:00")
        << "the in field takes no typing";
    EXPECT_EQ(gui->texts().in(), "00:10:00:00");
    QTest::mouseClick(gui->button("CueIn"), Qt::LeftButton);
    // The poller's readings show nothing from here: the status line keeps what the run shows.
    ASSERT_TRUE(silencePoller());
    hold->release();

    ASSERT_TRUE(trace->waitForCommands(3, 15000)) << "no play";
    ASSERT_TRUE(waitForRun());
    EXPECT_EQ(trace->commandBytes(), (Frames{"24 31 00 00 10 00 65 ", pauseFrame, playFrame}))
        << "the disabled CueIn sent nothing";
    const auto cmds = trace->commands();
    ASSERT_EQ(cmds.size(), 3u);
    EXPECT_GE(msBetween(cmds[1], cmds[2]), 4000 - late);
    EXPECT_LE(msBetween(cmds[1], cmds[2]), 4000 + 10000 + 3000)
        << "4 s, and the hold of at most 10 s";
    EXPECT_TRUE(waitFor([&] { return cueControls(*gui) == "unlocked"; })) << cueControls(*gui);
    EXPECT_TRUE(waitFor([&] { return status.has("CUED!!"); })) << status.last();
    const auto deck = sim->snapshot();
    EXPECT_EQ(deck.cueTarget, ninepin::FramesOf(0, 10, 0, 0));
    EXPECT_EQ(deck.mode, DeckModel::Mode::Play);
    EXPECT_GE(deck.frames, ninepin::FramesOf(0, 10, 0, 0));
}

TEST_F(CueWindow, TapeDeckReviewStopsFirstThenPlaysTheClipAndStopsAtItsOutPoint) {
    DeckSim::Options opts;
    opts.deck.seekMs = 100;
    start(Settings(), opts);
    StatusLog status(gui->statusField());
    typeInto(gui->inField(), "00:00:10:00");
    typeInto(gui->outField(), "00:00:11:00");
    // With the poller's readings cut off the deck never reports cue-up: the run waits for it and
    // the status line keeps what the review showed.
    ASSERT_TRUE(silencePoller());
    press("Review");
    EXPECT_TRUE(waitFor([&] { return status.has("Reviewing Clip of Duration= 30"); }))
        << status.last();
    // The cue frame comes from the run, which the review's action started as it ended.
    EXPECT_EQ(commandsAfter(2), (Frames{stopFrame, "24 31 00 10 00 00 65 "}));
    auto cmds = trace->commands();
    ASSERT_EQ(cmds.size(), 2u);
    EXPECT_GE(msBetween(cmds[0], cmds[1]), 2000 - late) << "1000 ms before and after the duration";
    EXPECT_LE(msBetween(cmds[0], cmds[1]), 2000 + 3000);
    EXPECT_TRUE(waitFor([&] { return cueControls(*gui) == "locked"; })) << cueControls(*gui);

    sim->setDropByte(false);
    ASSERT_TRUE(trace->waitForCommands(5, 20000)) << "the review did not stop the deck";
    EXPECT_EQ(trace->commandBytes(),
              (Frames{stopFrame, "24 31 00 10 00 00 65 ", pauseFrame, playFrame, stopFrame}));
    cmds = trace->commands();
    ASSERT_EQ(cmds.size(), 5u);
    EXPECT_GE(msBetween(cmds[2], cmds[3]), 4000 - late);
    EXPECT_LE(msBetween(cmds[2], cmds[3]), 4000 + 3000);
    // 29 frames of play at 30 a second, then the stop as soon as the poller reads the time.
    EXPECT_GE(msBetween(cmds[3], cmds[4]), 900);
    EXPECT_LE(msBetween(cmds[3], cmds[4]), 4000);
    const auto deck = sim->snapshot();
    EXPECT_EQ(deck.mode, DeckModel::Mode::Stop);
    EXPECT_GE(deck.frames, ninepin::FramesOf(0, 0, 10, 29));
    EXPECT_LE(deck.frames, ninepin::FramesOf(0, 0, 12, 29)) << "stopped near the out point";
    ASSERT_TRUE(waitForRun());
    EXPECT_TRUE(waitFor([&] { return cueControls(*gui) == "unlocked"; })) << cueControls(*gui);
}

TEST_F(CueWindow, SetInAndSetOutTakeTheTimeShownAtThePressAndCueInGoesToTheTakenTime) {
    DeckSim::Options opts;
    opts.deck.seekMs = 100;
    // The points are taken while a script holds the operator-action thread: each is the time
    // shown at its press, not the time when the script ends.
    writeScript({"Wait6"});
    start(Settings(), opts);
    const size_t mark = consoleLines().size();
    QTest::mouseClick(gui->button("SCRIPT"), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return consoleHas("Wait6", mark); }));
    const auto showAndPress = [&](int m, int s, int f, const char* shown, const char* label) {
        sim->setPosition(ninepin::FramesOf(0, m, s, f));
        EXPECT_TRUE(waitFor([&] { return gui->timeField()->text() == shown; }))
            << gui->timeField()->text().toStdString();
        if (label) QTest::mouseClick(gui->button(label), Qt::LeftButton);
    };
    showAndPress(12, 34, 5, "00:12:34:05", "SetIn");
    showAndPress(23, 45, 6, "00:23:45:06", "SetOut");
    showAndPress(34, 56, 7, "00:34:56:07", nullptr);
    EXPECT_TRUE(waitFor([&] { return gui->inField()->text() == "00:12:34:05"; }))
        << gui->inField()->text().toStdString();
    EXPECT_TRUE(waitFor([&] { return gui->outField()->text() == "00:23:45:06"; }))
        << gui->outField()->text().toStdString();
    ASSERT_TRUE(waitFor([&] { return consoleHas("Script ended", mark); }, 15s));
    ASSERT_TRUE(settle());
    EXPECT_EQ(gui->inField()->text().toStdString(), "00:12:34:05");
    EXPECT_EQ(gui->outField()->text().toStdString(), "00:23:45:06");
    EXPECT_EQ(trace->commandBytes(), Frames{}) << "taking the points sends nothing";

    press("CueIn");
    ASSERT_TRUE(trace->waitForCommands(2, 15000));
    EXPECT_EQ(trace->commandBytes(), (Frames{"24 31 05 34 12 00 A0 ", pauseFrame}));
    EXPECT_EQ(sim->snapshot().frames, ninepin::FramesOf(0, 12, 34, 5));
}

TEST_F(CueWindow, AnInvalidTimecodeIsRefusedWithoutCueingOrLockingTheControls) {
    start();
    // The poller's readings show nothing, so the refusal stays on the status line.
    ASSERT_TRUE(silencePoller());
    LockWatch watch(*gui);
    struct Case {
        const char* label;
        bool badIn; // else the out text is bad
        const char* bad;
        Frames frames;
    };
    const std::vector<Case> cases = {
        {"CueIn", true, "1:02:03:04", {}},
        {"Cue/Play", true, "1:02:03:04", {}},
        {"CueOut", false, "00:00:1O:00", {}},
        // A review stops the deck before it looks at the points.
        {"Review", true, "1:02:03:04", {stopFrame}},
        {"Review", false, "00:00:1O:00", {stopFrame}},
    };
    for (const Case& c : cases) {
        typeInto(gui->inField(), c.badIn ? c.bad : "00:00:10:00");
        typeInto(gui->outField(), c.badIn ? "00:00:11:00" : c.bad);
        trace->clear();
        StatusLog status(gui->statusField());
        press(c.label);
        const std::string refusal = std::string("Invalid Timecode: ") + c.bad;
        EXPECT_TRUE(waitFor([&] { return status.has(refusal); }))
            << c.label << ": " << status.last();
        EXPECT_EQ(trace->commandBytes(), c.frames) << c.label;
        EXPECT_TRUE(waitFor([&] { return cueControls(*gui) == "unlocked"; })) << c.label;
    }
    EXPECT_EQ(vcr->cuethread(), nullptr) << "no cue run started";
    // Locked at each press, unlocked again at each refusal: six controls, two switches each.
    EXPECT_TRUE(waitFor([&] { return watch.changes == 12 * int(cases.size()); })) << watch.changes;
    EXPECT_EQ(cueControls(*gui), "unlocked");
}

TEST_F(CueWindow, AScriptsReviewHoldsTheNextLineUntilTheReviewStoppedTheDeck) {
    writeScript({"tc100:00:10:00", "tc200:00:11:00", "Review", "Play"});
    start(diskRecorder());
    const size_t mark = consoleLines().size();
    std::set<QString> times;
    QTest::mouseClick(gui->button("SCRIPT"), Qt::LeftButton);
    ASSERT_TRUE(waitFor(
        [&] {
            times.insert(gui->timeField()->text());
            return consoleHas("Script ended", mark);
        },
        30s))
        << "the script did not end";
    EXPECT_GE(times.size(), 5u) << "the time display followed the deck while the script ran";
    ASSERT_TRUE(settle()); // the script's closing lines are written
    EXPECT_EQ(consoleSince(mark),
              (std::vector<std::string>{" ", "**********", "Found Script.txt File",
                                        "tc100:00:10:00", "tc200:00:11:00", "Review", "Play",
                                        "Script ended", "**********", " "}));
    // The review's Stop at the out point, and only then the next line's Play.
    EXPECT_EQ(commandsAfter(6), (Frames{stopFrame, "24 31 00 10 00 00 65 ", pauseFrame, playFrame,
                                        stopFrame, playFrame}));
    const auto cmds = trace->commands();
    ASSERT_EQ(cmds.size(), 6u);
    EXPECT_GE(msBetween(cmds[3], cmds[4]), 900) << "the clip played to its out point";
    EXPECT_GE(msBetween(cmds[4], cmds[5]), 0);
    EXPECT_TRUE(waitFor([&] { return cueControls(*gui) == "unlocked"; })) << cueControls(*gui);
}

TEST_F(CueWindow, TheOperatorsStopEndsAWaitingScriptThenStopsTheDeck) {
    writeScript({"Wait60", "Play"});
    start();
    stampConsole();
    size_t mark = consoleLines().size();
    QTest::mouseClick(gui->button("SCRIPT"), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return consoleHas("Wait60", mark); }));
    const auto pressed = Clock::now();
    QTest::mouseClick(gui->button("Stop *"), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return consoleHas("Script ended", mark); }, 15s))
        << "the script went on waiting";
    const auto ended = stampOf("Script ended");
    ASSERT_TRUE(ended.has_value());
    EXPECT_LT(*ended - pressed, 3s) << "the Wait ended early";
    ASSERT_TRUE(settle()); // the script's closing lines are written and the queued Stop has run
    EXPECT_EQ(consoleSince(mark),
              (std::vector<std::string>{" ", "**********", "Found Script.txt File", "Wait60",
                                        "Script stopped by the operator", "Script ended",
                                        "**********", " "}));
    EXPECT_EQ(commandsAfter(1), Frames{stopFrame}) << "the Play line never ran";
    const auto cmds = trace->commands();
    ASSERT_EQ(cmds.size(), 1u);
    EXPECT_GT(cmds[0].at, *ended) << "the deck stopped after the script ended";

    // The operator's stop is spent: the next script runs to its end.
    writeScript({"Wait1", "Play"});
    trace->clear();
    mark = consoleLines().size();
    press("SCRIPT");
    EXPECT_EQ(consoleSince(mark),
              (std::vector<std::string>{" ", "**********", "Found Script.txt File", "Wait1", "Play",
                                        "Script ended", "**********", " "}));
    EXPECT_EQ(commandsAfter(1), Frames{playFrame});
}

TEST_F(CueWindow, TheOperatorsStopEndsAReviewAtOnceWhereverItIsAndNothingOfItFollows) {
    struct Case {
        const char* what;
        bool script;   // else the window's Review button, pressed twice
        bool tapeDeck; // its review waits 2 x 1000 ms before the run starts
        bool playing;  // stopped once the review plays, else while it starts
        const char* button;
        const char* frame;            // the button's own
        const char* logger = nullptr; // else this button of a logger's, pressed twice
    };
    const Case cases[] = {
        {"a script's review, playing", true, false, true, "Stop *", "20 00 20 "},
        {"a script's review, starting", true, true, false, "Stop *", "20 00 20 "},
        {"the window's review, starting", false, true, false, "Stop *", "20 00 20 "},
        {"the window's review, playing", false, false, true, "Stop *", "20 00 20 "},
        {"the window's review, fast forward", false, false, true, "Fwd >>", "20 10 30 "},
        {"the logger's review, starting", false, true, false, "Stop *", "20 00 20 ", "Review"},
        {"the logger's RevALL, playing", false, false, true, "Stop *", "20 00 20 ", "RevALL"},
    };
    const Frames reviewStart{stopFrame, "24 31 00 10 00 00 65 ", pauseFrame, playFrame};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeScript({"tc100:00:10:00", "tc200:00:12:00", "Review", "Play"});
        start(c.tapeDeck ? Settings() : diskRecorder());
        sim->setPosition(ninepin::FramesOf(0, 0, 11, 0));
        const size_t mark = consoleLines().size();
        if (c.script) {
            QTest::mouseClick(gui->button("SCRIPT"), Qt::LeftButton);
        } else if (c.logger) {
            ASSERT_TRUE(waitFor([&] { return gui->loggerButton()->isEnabled(); }));
            QTest::mouseClick(gui->loggerButton(), Qt::LeftButton);
            ASSERT_NE(gui->logger(), nullptr);
            for (const auto& [column, time] : {std::pair{2, "00:00:10:00"}, {3, "00:00:12:00"}}) {
                gui->logger()->field(0, column)->setText(time);
                gui->logger()->field(0, column)->setModified(true);
            }
            // Locked at the press, as the window's: the second press is refused, not a second
            // review that calls the first off.
            QTest::mouseClick(gui->logger()->topButton(c.logger), Qt::LeftButton);
            EXPECT_FALSE(gui->logger()->topButton("Review")->isEnabled());
            gui->logger()->RevAll();
            gui->logger()->ReviewClip();
        } else {
            gui->texts().setIn("00:00:10:00");
            gui->texts().setOut("00:00:12:00");
            // The second press finds the controls locked: one review.
            QTest::mouseClick(gui->button("Review"), Qt::LeftButton);
            QTest::mouseClick(gui->button("Review"), Qt::LeftButton);
        }
        const size_t seen = c.playing ? reviewStart.size() : 1;
        ASSERT_TRUE(waitFor([&] { return trace->commandBytes().size() >= seen; }, 15s));
        EXPECT_EQ(trace->commandBytes(), Frames(reviewStart.begin(), reviewStart.begin() + seen));
        trace->clear();
        const auto pressed = Clock::now();
        QTest::mouseClick(gui->button(c.button), Qt::LeftButton);
        if (c.script) {
            ASSERT_TRUE(waitFor([&] { return consoleHas("Script ended", mark); }, 15s));
            EXPECT_TRUE(consoleHas("Script stopped by the operator", mark));
        }
        // The run ends without waiting for its out point or for the deck to stand still, and
        // sends nothing: the operator's own frame is the only one; a review called off while it
        // started sends no cue frame at all.
        const auto usable = [&] {
            return std::all_of(std::begin(cueLabels), std::end(cueLabels),
                               [&](const char* l) { return gui->button(l)->isEnabled(); }) &&
                   !gui->inField()->isReadOnly();
        };
        EXPECT_TRUE(waitFor(usable)) << cueControls(*gui);
        EXPECT_LT(Clock::now() - pressed, 3s) << "the review went on after the operator's Stop";
        // The operator's frame may reach the deck after the controls are free again on a busy
        // machine: wait for it, then for whatever else was queued, before looking at the wire.
        EXPECT_TRUE(waitFor([&] { return !trace->commandBytes().empty(); }, 15s));
        ASSERT_TRUE(settle());
        EXPECT_EQ(trace->commandBytes(), Frames{c.frame});
        EXPECT_TRUE(!vcr->cuethread() || vcr->cuethread()->finished());
        EXPECT_NE(gui->statusField()->text().toStdString(), "Review stopped before out point");
        // Played on through the old out point, the deck is not stopped by the review.
        trace->clear();
        press("Play >");
        EXPECT_TRUE(
            waitFor([&] { return sim->snapshot().frames > ninepin::FramesOf(0, 0, 12, 10); }, 15s));
        EXPECT_EQ(trace->commandBytes(), Frames{playFrame});
        finish();
    }
}

TEST_F(CueWindow, ClosingWhileAScriptWaitsOnItsReviewEndsTheProgramAtOnce) {
    size_t mark = 0;
    ASSERT_NO_FATAL_FAILURE(startScriptedReview(mark));

    const auto t0 = Clock::now();
    gui->close();
    ASSERT_TRUE(waitForExit()) << "closing waited behind the script";
    EXPECT_LT(Clock::now() - t0, 2s);
    EXPECT_EQ(exitStatus.load(), 0);
    EXPECT_FALSE(consoleHas("Script ended", mark)) << "the script had still to end";

    // Ending the controller ends the script and its review without waiting for the out point.
    const auto t1 = Clock::now();
    vcr.reset();
    gui = nullptr;
    EXPECT_LT(Clock::now() - t1, 5s);
}
