// The main window, offscreen, driving the simulated deck through the real controller and link.
#include "DeckRig.h"
#include "LocalGUI.h"
#include "LocalVCR.h"
#include "Utils.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

using namespace std::chrono_literals;

namespace {

// Lets the window's thread handle its events for a while.
void pump(std::chrono::milliseconds span) {
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end) {
        QApplication::processEvents();
        std::this_thread::sleep_for(1ms);
    }
}

class Window : public ::testing::Test {
protected:
    void start(Settings s = Settings(), DeckSim::Options opts = {}) {
        Utils::SetLineSink([](const std::string&) {});
        rig = std::make_unique<DeckRig>(opts, s.lanc);
        sim = &rig->sim;
        trace = &rig->trace;
        vcr = std::make_unique<LocalVCR>(
            rig->link, 2001, s.lanc, s,
            [this, s](LocalVCR& v) {
                auto w = std::make_unique<LocalGUI>(v, s, 320, 13);
                gui = w.get();
                return w;
            },
            [this](int status) { exitStatus = status; });
        while (!vcr->poller()) pump(10ms);
        pump(50ms);
        trace->clear();
    }
    void TearDown() override {
        vcr.reset();
        rig.reset();
        Utils::SetLineSink({});
    }
    // Presses a button and waits until its action has run.
    void press(const std::string& label) {
        QPushButton* b = gui->button(label);
        ASSERT_NE(b, nullptr) << label;
        QTest::mouseClick(b, Qt::LeftButton);
        settle();
    }
    // Waits until the close sequence has ended the program (at most 5 s).
    void waitForExit() {
        const auto end = std::chrono::steady_clock::now() + 5s;
        while (exitStatus == -1 && std::chrono::steady_clock::now() < end) pump(2ms);
    }
    void settle() {
        std::atomic<bool> done{false};
        vcr->post([&] { done = true; });
        while (!done) pump(2ms);
    }

    std::unique_ptr<DeckRig> rig;
    DeckSim* sim = nullptr;
    TraceLog* trace = nullptr;
    std::unique_ptr<LocalVCR> vcr;
    LocalGUI* gui = nullptr;
    std::atomic<int> exitStatus{-1};
};

using Frames = std::vector<std::string>;

} // namespace

TEST_F(Window, EveryButtonSendsExactlyItsFrameAndShowsItsCommand) {
    start();
    struct Case {
        const char* label;
        const char* command;
        Frames frames;
    };
    const std::vector<Case> cases = {
        {"Play >", "Play", {"20 01 21 "}},
        {"Pause ||", "Pause", {"21 13 00 34 "}},
        {"Stop *", "Stop", {"20 00 20 "}},
        {"Fwd >>", "Forward", {"20 10 30 "}},
        {"<< Rew", "Rewind", {"20 20 40 "}},
        {"Slow/2", "Slow2", {"21 12 36 69 "}},
        {"Slow/3", "Slow3", {"21 12 30 63 "}},
        {"Slow/5", "Slow5", {"21 12 2D 60 "}},
        {"FastX2", "Fast2", {"21 13 4A 7E "}},
        {"FastX5", "Fast5", {"21 13 56 8A "}},
        {"SbyON", "Sbyon", {"20 05 25 "}},
        {"SbyOFF", "Sbyoff", {"20 04 24 "}},
        {"EEOn", "EEOn", {"20 61 81 "}},
        {"REC", "Record", {"20 02 22 "}},
        {"Jog >", "Jogf", {"21 11 10 42 ", "20 00 20 "}},
        {"< Jog", "Jogr", {"21 21 10 52 ", "20 00 20 "}},
        // Their own issues give these their work; for now they only say what was pressed.
        {"SCRIPT", "SCRIPT", {}},
        {"CueIn", "Cue", {}},
        {"CueOut", "CueOut", {}},
        {"Cue/Play", "Cueplay", {}},
        {"Review", "Review", {}},
        {"SetIn", "SetCue", {}},
        {"SetOut", "SetRev", {}},
    };
    for (const auto& c : cases) {
        trace->clear();
        QTest::mouseClick(gui->button(c.label), Qt::LeftButton);
        // The command shows at once, before the deck is sent anything.
        EXPECT_EQ(gui->statusField()->text().toStdString(), c.command) << c.label;
        settle();
        pump(20ms);
        EXPECT_EQ(trace->commandBytes(), c.frames) << c.label;
    }
}

TEST_F(Window, TheShuttleBarPausesInItsDeadBandAndShuttlesOutside) {
    start();
    EXPECT_EQ(gui->shuttleBar()->value(), 48);
    struct Case {
        int value;
        std::string frame;
    };
    for (const Case& c :
         {Case{53, "21 13 00 34 "}, Case{54, "21 13 0C 40 "}, Case{95, "21 13 5E 92 "},
          Case{42, "21 23 0C 50 "}, Case{0, "21 23 60 A4 "}}) {
        trace->clear();
        gui->shuttleBar()->setValue(c.value);
        settle();
        EXPECT_EQ(trace->commandBytes(), Frames{c.frame}) << c.value;
    }
}

TEST_F(Window, EEOffJogsEachWayWithAboutSixHundredMillisecondsBeforeEachStop) {
    start();
    const auto t0 = std::chrono::steady_clock::now();
    QTest::mouseClick(gui->button("EEOff"), Qt::LeftButton);
    EXPECT_EQ(gui->statusField()->text(), "EEOff");
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 100ms) << "the window does not wait";
    settle();
    const auto cmds = trace->commands();
    ASSERT_EQ(cmds.size(), 4u);
    EXPECT_EQ(trace->commandBytes(),
              (Frames{"21 11 10 42 ", "20 00 20 ", "21 21 10 52 ", "20 00 20 "}));
    for (size_t jog : {0u, 2u}) {
        const auto gap = cmds[jog + 1].at - cmds[jog].at;
        EXPECT_GE(gap, 595ms);
        EXPECT_LE(gap, 700ms);
    }
    EXPECT_LE(cmds[2].at - cmds[1].at, 100ms);
}

TEST_F(Window, LancJogsSendOnlyTheJogOrJogThenPause) {
    Settings s;
    s.lanc = true;
    s.VCRType = "LANC";
    start(s);
    press("Jog >");
    EXPECT_EQ(trace->commandBytes(), Frames{"21 11 10 42 "});
    trace->clear();
    press("< Jog");
    EXPECT_EQ(trace->commandBytes(), (Frames{"21 21 10 52 ", "21 13 00 34 "}));
}

TEST_F(Window, ControlsSitOnTheGrid) {
    start();
    EXPECT_EQ(gui->width(), 320);
    EXPECT_EQ(gui->windowTitle(), "KOLB");
    EXPECT_EQ(gui->titleLabel()->text(), "VCR Controls KOLB");
    EXPECT_EQ(gui->button("Fwd >>")->geometry().right() + 1, 305) << "C4 ends at L + 305";
    const int cols[] = {5, 65, 125, 185, 245};
    const char* row2[] = {"<< Rew", "Pause ||", "Stop *", "Play >", "Fwd >>"};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(gui->button(row2[k])->x(), cols[k]) << row2[k];
        EXPECT_EQ(gui->button(row2[k])->size(), QSize(60, 24));
    }
    struct Row {
        const char* control;
        int y;
    };
    for (const Row& r : {Row{"Play >", 37}, Row{"Slow/5", 65}, Row{"EEOn", 93}, Row{"SetIn", 127},
                         Row{"Review", 157}, Row{"SCRIPT", 189}})
        EXPECT_EQ(gui->button(r.control)->y(), r.y) << r.control;
    EXPECT_EQ(gui->timeField()->geometry(), QRect(185, 5, 120, 24));
    EXPECT_EQ(gui->inField()->geometry(), QRect(5, 157, 120, 24));
    EXPECT_EQ(gui->outField()->geometry(), QRect(185, 157, 120, 24));
    EXPECT_EQ(gui->button("< Jog")->geometry(), QRect(5, 189, 100, 24));
    EXPECT_EQ(gui->button("Jog >")->geometry(), QRect(205, 189, 100, 24));
    EXPECT_EQ(gui->shuttleBar()->geometry(), QRect(5, 221, 300, 25));
    EXPECT_EQ(gui->keepOnTop()->geometry(), QRect(155, 275, 100, 24));
    EXPECT_EQ(gui->statusField()->geometry(), QRect(5, 299, 300, 24));
    EXPECT_EQ(gui->height(), 299 + 24 + 8);
    EXPECT_TRUE(gui->timeField()->isReadOnly());
    EXPECT_TRUE(gui->statusField()->isReadOnly());
    EXPECT_FALSE(gui->inField()->isReadOnly());
    EXPECT_EQ(gui->shuttleBar()->minimum(), 0);
    EXPECT_EQ(gui->shuttleBar()->maximum(), 95);
    EXPECT_EQ(gui->shuttleBar()->pageStep(), 20);
}

TEST_F(Window, TheStatusMarksTheControlOfTheDecksState) {
    start();
    press("Play >");
    pump(400ms); // a status read comes every eighth cycle
    const QRect play = gui->button("Play >")->geometry();
    EXPECT_EQ(gui->marks(), std::vector<QRect>{QRect(play.x(), play.y() - 2, play.width(), 2)});
    EXPECT_EQ(gui->grab().toImage().pixelColor(play.x() + 5, play.y() - 1), QColor(Qt::red));
    press("Stop *");
    pump(400ms);
    const QRect stop = gui->button("Stop *")->geometry();
    EXPECT_EQ(gui->marks(), std::vector<QRect>{QRect(stop.x(), stop.y() - 2, stop.width(), 2)});
    EXPECT_EQ(gui->grab().toImage().pixelColor(play.x() + 5, play.y() - 1), QColor(90, 170, 250));
}

TEST_F(Window, TheTimeDisplayKeepsMovingWhileAJogWaits) {
    DeckSim::Options opts;
    opts.deck.speedFactor = 200; // jog speed made visible: several frames a poll
    start(Settings(), opts);
    QTest::mouseClick(gui->button("Jog >"), Qt::LeftButton);
    std::set<QString> seen;
    const auto end = std::chrono::steady_clock::now() + 550ms;
    while (std::chrono::steady_clock::now() < end) {
        QApplication::processEvents();
        seen.insert(gui->timeField()->text());
        std::this_thread::sleep_for(2ms);
    }
    EXPECT_GE(seen.size(), 5u) << "the display followed the deck during the 600 ms wait";
    settle();
}

TEST_F(Window, TheInFieldsEnterMakesTheCueString) {
    start();
    gui->inField()->setFocus();
    gui->inField()->selectAll();
    QTest::keyClicks(gui->inField(), "01:02:03:04");
    QTest::keyClick(gui->inField(), Qt::Key_Return);
    settle();
    EXPECT_EQ(vcr->getCueString(), "01:02:03:04");
    gui->inField()->selectAll();
    QTest::keyClicks(gui->inField(), "junk");
    QTest::keyClick(gui->inField(), Qt::Key_Return);
    settle();
    pump(20ms);
    EXPECT_EQ(gui->statusField()->text(), "Invalid Timecode: junk");
    EXPECT_EQ(vcr->getCueString(), "01:02:03:04");
}

TEST_F(Window, KeepOnTopTickedAndClearedQuicklyLeavesNoThread) {
    start();
    for (int i = 0; i < 5; ++i) {
        gui->keepOnTop()->setChecked(true);
        EXPECT_TRUE(gui->keepAwakeRunning());
        gui->keepOnTop()->setChecked(false);
        EXPECT_FALSE(gui->keepAwakeRunning());
    }
}

TEST_F(Window, ClosingStopsThePollerAndEndsTheProgramSendingNothingUnlessAsked) {
    start();
    gui->close();
    waitForExit();
    EXPECT_EQ(exitStatus.load(), 0);
    pump(150ms);
    trace->clear();
    pump(200ms);
    EXPECT_TRUE(trace->bytes().empty()) << "the poller has stopped and nothing was sent";
}

TEST_F(Window, ClosingWithStopOnExitStopsTheDeckTwiceHalfASecondApart) {
    Settings s;
    s.stoponexit = true;
    start(s);
    gui->close();
    waitForExit();
    EXPECT_EQ(exitStatus.load(), 0);
    const auto cmds = trace->commands();
    ASSERT_EQ(cmds.size(), 2u);
    EXPECT_EQ(trace->commandBytes(), (Frames{"20 00 20 ", "20 00 20 "}));
    EXPECT_GE(cmds[1].at - cmds[0].at, 495ms);
}

TEST_F(Window, ARecorderWindowSaysVantoAndAScreenshotIsSaved) {
    Settings s;
    s.note = "Server 1";
    DeckSim::Options opts;
    opts.deck.startFrames = ninepin::FramesOf(1, 0, 0, 0);
    start(s, opts);
    press("Play >");
    pump(600ms); // a status read has marked "Play >"
    EXPECT_GT(gui->timeField()->text(), "01:00:00:00") << "the time runs";
    ASSERT_TRUE(gui->grab().save(QString(KOLB_SCREENSHOT_DIR) + "/kolb-window.png"));

    Settings v;
    v.vanto = true;
    v.VCRType = "VANTO";
    v.note = "Server 1";
    LocalGUI recorder(*vcr, v, 320, 13);
    EXPECT_EQ(recorder.titleLabel()->text(), "VANTO Controls Server 1");
    EXPECT_FALSE(recorder.loggerButton()->isEnabled()) << "until the controller's start-up ends";
    EXPECT_TRUE(gui->loggerButton()->isEnabled()) << "start-up has ended";
    EXPECT_EQ(recorder.findChildren<QLabel*>().size(), 2) << "one title label and the status label";
}
