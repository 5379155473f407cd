// The main window, offscreen, driving the simulated deck through the real controller and link:
// what each control sends, the layout, the marks, the in field and closing.
#include "WindowFixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

#include <set>

using namespace windowtest;

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
        // These fill a point from the time display and send nothing.
        {"SetIn", "SetCue", {}},
        {"SetOut", "SetRev", {}},
    };
    for (const auto& c : cases) {
        trace->clear();
        QTest::mouseClick(gui->button(c.label), Qt::LeftButton);
        // The command shows at once, before the deck is sent anything.
        EXPECT_EQ(gui->statusField()->text().toStdString(), c.command) << c.label;
        ASSERT_TRUE(settle()) << c.label;
        EXPECT_EQ(commandsAfter(c.frames.size()), c.frames) << c.label;
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
        ASSERT_TRUE(settle()) << c.value;
        EXPECT_EQ(commandsAfter(1), Frames{c.frame}) << c.value;
    }
}

TEST_F(Window, EEOffJogsEachWayWithAboutSixHundredMillisecondsBeforeEachStop) {
    start();
    const auto t0 = std::chrono::steady_clock::now();
    QTest::mouseClick(gui->button("EEOff"), Qt::LeftButton);
    EXPECT_EQ(gui->statusField()->text(), "EEOff");
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 300ms) << "the window does not wait";
    ASSERT_TRUE(settle());
    EXPECT_EQ(commandsAfter(4), (Frames{"21 11 10 42 ", "20 00 20 ", "21 21 10 52 ", "20 00 20 "}));
    const auto cmds = trace->commands();
    ASSERT_EQ(cmds.size(), 4u);
    // Each gap holds the jog's reply wait, the 600 ms and at most one poll exchange in the way.
    const auto exchange = std::chrono::milliseconds(DeckRig::patientWait);
    for (size_t jog : {0u, 2u}) {
        const auto gap = cmds[jog + 1].at - cmds[jog].at;
        EXPECT_GE(gap, 595ms);
        EXPECT_LE(gap, 600ms + 2 * exchange + 200ms);
    }
    EXPECT_LE(cmds[2].at - cmds[1].at, 2 * exchange + 150ms) << "no pause between the two jogs";
}

TEST_F(Window, LancJogsSendOnlyTheJogOrJogThenPause) {
    Settings s;
    s.lanc = true;
    s.VCRType = "LANC";
    start(s);
    press("Jog >");
    EXPECT_EQ(commandsAfter(1), Frames{"21 11 10 42 "});
    trace->clear();
    press("< Jog");
    EXPECT_EQ(commandsAfter(2), (Frames{"21 21 10 52 ", "21 13 00 34 "}));
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
    EXPECT_TRUE(gui->statusField()->isReadOnly());
    EXPECT_FALSE(gui->inField()->isReadOnly());
    EXPECT_EQ(gui->shuttleBar()->minimum(), 0);
    EXPECT_EQ(gui->shuttleBar()->maximum(), 95);
    EXPECT_EQ(gui->shuttleBar()->pageStep(), 20);
    // The time display takes no typing (the stopped deck's time does not change meanwhile).
    const QString time = gui->timeField()->text();
    QTest::keyClicks(gui->timeField(), "12");
    EXPECT_EQ(gui->timeField()->text().toStdString(), time.toStdString());
    EXPECT_EQ(gui->texts().time(), time.toStdString());
}

TEST_F(Window, TheWindowKeepsItsSizeSoTheStatusLineStaysInside) {
    start();
    const QSize size(320, 299 + 24 + 8);
    EXPECT_EQ(gui->size(), size);
    EXPECT_EQ(gui->minimumSize(), size);
    EXPECT_EQ(gui->maximumSize(), size);
    for (const QSize attempt : {QSize(320, 200), QSize(150, 331), QSize(640, 480)}) {
        gui->resize(attempt);
        QApplication::processEvents();
        EXPECT_EQ(gui->size(), size) << attempt.width() << "x" << attempt.height();
        EXPECT_TRUE(gui->rect().contains(gui->statusField()->geometry()))
            << attempt.width() << "x" << attempt.height();
    }
}

TEST_F(Window, TheStatusMarksTheControlOfTheDecksState) {
    start();
    const QRect play = markAbove(gui->button("Play >"));
    const QRect stop = markAbove(gui->button("Stop *"));
    const QColor background(90, 170, 250);
    // A status read comes every eighth poll cycle; one of them shows the deck stopped.
    ASSERT_TRUE(waitFor([&] { return gui->marks() == std::vector<QRect>{stop}; }))
        << "the stopped deck's reading marks Stop only";

    press("Play >");
    EXPECT_TRUE(waitFor([&] { return gui->marks() == std::vector<QRect>{play}; }))
        << "the playing deck's reading marks Play only, the Stop mark went";
    QImage shown = gui->grab().toImage();
    EXPECT_EQ(shown.pixelColor(play.x() + 5, play.y() + 1), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(stop.x() + 5, stop.y() + 1), background);

    press("Stop *");
    EXPECT_TRUE(waitFor([&] { return gui->marks() == std::vector<QRect>{stop}; }));
    shown = gui->grab().toImage();
    EXPECT_EQ(shown.pixelColor(play.x() + 5, play.y() + 1), background) << "erased when it went";
    EXPECT_EQ(shown.pixelColor(stop.x() + 5, stop.y() + 1), QColor(Qt::red));
}

TEST_F(Window, TheTimeDisplayKeepsMovingWhileAJogWaits) {
    DeckSim::Options opts;
    opts.deck.speedFactor = 200; // jog speed made visible: several frames a poll
    start(Settings(), opts);
    QTest::mouseClick(gui->button("Jog >"), Qt::LeftButton);
    // Until the Stop after the jog's 600 ms wait reaches the deck: a window that waited with
    // the jog would show at most the time before and the time after.
    std::set<QString> seen;
    EXPECT_TRUE(waitFor(
        [&] {
            seen.insert(gui->timeField()->text());
            return trace->commands().size() >= 2;
        },
        10s));
    EXPECT_GE(seen.size(), 4u) << "the display followed the deck during the 600 ms wait";
    EXPECT_TRUE(settle());
}

TEST_F(Window, TheInFieldsEnterMakesTheCueString) {
    start();
    // The poller's reads show nothing, so no status reading can come between the cue's text
    // and the check.
    ASSERT_TRUE(silencePoller());
    gui->inField()->setFocus();
    gui->inField()->selectAll();
    QTest::keyClicks(gui->inField(), "01:02:03:04");
    QTest::keyClick(gui->inField(), Qt::Key_Return);
    ASSERT_TRUE(settle());
    EXPECT_EQ(vcr->getCueString(), "01:02:03:04");
    gui->inField()->selectAll();
    QTest::keyClicks(gui->inField(), "junk");
    QTest::keyClick(gui->inField(), Qt::Key_Return);
    ASSERT_TRUE(settle());
    EXPECT_TRUE(waitFor([&] { return gui->statusField()->text() == "Invalid Timecode: junk"; }))
        << gui->statusField()->text().toStdString();
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
    ASSERT_TRUE(waitForExit());
    EXPECT_EQ(exitStatus.load(), 0);
    // The poller ends after the cycle in progress.
    ASSERT_TRUE(waitFor([&] { return !vcr->poller()->running(); }));
    trace->clear();
    pump(400ms); // ten poll intervals: a running poller would have read the time
    EXPECT_TRUE(trace->bytes().empty()) << "the poller has stopped and nothing was sent";
}

TEST_F(Window, ClosingWithStopOnExitStopsTheDeckTwiceHalfASecondApart) {
    Settings s;
    s.stoponexit = true;
    start(s);
    gui->close();
    ASSERT_TRUE(waitForExit());
    EXPECT_EQ(exitStatus.load(), 0);
    EXPECT_EQ(commandsAfter(2), (Frames{"20 00 20 ", "20 00 20 "}));
    const auto cmds = trace->commands();
    ASSERT_EQ(cmds.size(), 2u);
    EXPECT_GE(cmds[1].at - cmds[0].at, 495ms);
    EXPECT_LE(cmds[1].at - cmds[0].at, 1000ms);
}

TEST_F(Window, ARecorderWindowSaysVantoAndAScreenshotIsSaved) {
    Settings s;
    s.note = "Server 1";
    DeckSim::Options opts;
    opts.deck.startFrames = ninepin::FramesOf(1, 0, 0, 0);
    start(s, opts);
    press("Play >");
    // The picture shows the time running and a status read's mark above "Play >".
    EXPECT_TRUE(waitFor([&] {
        return gui->timeField()->text() > "01:00:00:00" &&
               gui->marks() == std::vector<QRect>{markAbove(gui->button("Play >"))};
    })) << "the time runs";
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
