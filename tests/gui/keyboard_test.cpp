// The main window's keys, offscreen, against the simulated deck through the real controller and
// link: the J/K/L shuttle ladder and the bar that follows it, Space by the last acknowledged
// command, the arrows, I, O and Escape, held keys, and a focused text field that keeps every key.
#include "NinePin.h"
#include "WindowFixture.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>

using namespace windowtest;

namespace {

const std::string playFrame = "20 01 21 ";
const std::string stopFrame = "20 00 20 ";
const std::string stillFrame = "21 13 00 34 ";

std::string text(const QLineEdit* field) {
    return field->text().toStdString();
}

} // namespace

class Keyboard : public Window {
protected:
    // A control that has the focus in the main window: the keys go to it first.
    QWidget* focusOn(QWidget* control) {
        control->setFocus();
        EXPECT_EQ(gui->focusWidget(), control);
        return control;
    }
    // Presses and releases a key on the control and waits until what it posted has run.
    void key(QWidget* control, Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        trace->clear();
        QTest::keyClick(control, k, mods);
        ASSERT_TRUE(settle());
    }
    std::string status() const { return gui->statusField()->text().toStdString(); }
    // Waits until the poller has read the deck's status twice since it changed: the newer
    // read was surely asked after the change.
    void awaitDeckState(DeckModel::Mode mode) {
        ASSERT_TRUE(waitFor([&] { return sim->snapshot().mode == mode; }));
        ASSERT_TRUE(waitForStatusReads(2));
    }
};

TEST_F(Keyboard, JAndLClimbToFiveTimesStepBackThroughStillAndTheBarFollows) {
    start();
    // A focused button does not take the keys, Space included (see the next test).
    QWidget* target = focusOn(gui->button("Play >"));
    struct Step {
        Qt::Key key;
        std::string frame;
        int bar;
        std::string status;
    };
    const std::vector<Step> steps = {
        {Qt::Key_L, "21 13 40 74 ", 80, "Shuttle Forward 1x"},
        {Qt::Key_L, "21 13 4A 7E ", 85, "Shuttle Forward 2x"},
        {Qt::Key_L, "21 13 56 8A ", 91, "Shuttle Forward 5x"},
        {Qt::Key_L, "21 13 56 8A ", 91, "Shuttle Forward 5x"}, // the top rung holds
        {Qt::Key_J, "21 13 4A 7E ", 85, "Shuttle Forward 2x"},
        {Qt::Key_J, "21 13 40 74 ", 80, "Shuttle Forward 1x"},
        {Qt::Key_J, stillFrame, 48, "Pause"},
        {Qt::Key_J, "21 23 40 84 ", 16, "Shuttle Reverse 1x"},
        {Qt::Key_J, "21 23 4A 8E ", 11, "Shuttle Reverse 2x"},
        {Qt::Key_J, "21 23 56 9A ", 5, "Shuttle Reverse 5x"},
        {Qt::Key_J, "21 23 56 9A ", 5, "Shuttle Reverse 5x"},
        {Qt::Key_L, "21 23 4A 8E ", 11, "Shuttle Reverse 2x"},
        {Qt::Key_L, "21 23 40 84 ", 16, "Shuttle Reverse 1x"},
        {Qt::Key_L, stillFrame, 48, "Pause"},
    };
    for (size_t i = 0; i < steps.size(); ++i) {
        const Step& s = steps[i];
        SCOPED_TRACE("step " + std::to_string(i + 1) + ": " + s.status);
        ASSERT_NO_FATAL_FAILURE(key(target, s.key));
        // Exactly one frame a key: the bar moved by the key sends nothing of its own.
        EXPECT_EQ(commandsAfter(1), Frames{s.frame});
        EXPECT_TRUE(waitFor([&] { return gui->shuttleBar()->value() == s.bar; }))
            << "bar at " << gui->shuttleBar()->value();
        EXPECT_TRUE(waitFor([&] { return status() == s.status; })) << status();
    }
    // The bar at a rung's place shuttles at that rung's speed: a drag from there agrees.
    EXPECT_EQ(sim->snapshot().mode, DeckModel::Mode::Shuttle);
}

TEST_F(Keyboard, TheLadderStartsAgainAfterAnyOtherTransportFrameAndKStillsAtOnce) {
    start();
    QWidget* target = focusOn(gui->button("Slow/5"));
    ASSERT_NO_FATAL_FAILURE(key(target, Qt::Key_L));
    ASSERT_NO_FATAL_FAILURE(key(target, Qt::Key_L));
    EXPECT_EQ(commandsAfter(1), Frames{"21 13 4A 7E "});

    press("Stop *");
    ASSERT_NO_FATAL_FAILURE(key(target, Qt::Key_L));
    EXPECT_EQ(commandsAfter(1), Frames{"21 13 40 74 "}) << "after Stop the ladder is at still";

    // A frame from another source (the command language) counts as much as a button. A deck
    // at play stands on the first rung forward: J steps down to still, L up to 2x.
    ASSERT_NO_FATAL_FAILURE(key(target, Qt::Key_L));
    vcr->post([this] { vcr->ParseNetCommand("Play"); });
    ASSERT_NO_FATAL_FAILURE(awaitDeckState(DeckModel::Mode::Play));
    ASSERT_NO_FATAL_FAILURE(key(target, Qt::Key_J));
    EXPECT_EQ(commandsAfter(1), Frames{stillFrame}) << "J after Play";
    press("Play >");
    ASSERT_NO_FATAL_FAILURE(awaitDeckState(DeckModel::Mode::Play));
    ASSERT_NO_FATAL_FAILURE(key(target, Qt::Key_L));
    EXPECT_EQ(commandsAfter(1), Frames{"21 13 4A 7E "}) << "L after Play";
    ASSERT_NO_FATAL_FAILURE(key(target, Qt::Key_J));
    ASSERT_NO_FATAL_FAILURE(key(target, Qt::Key_J));
    EXPECT_EQ(commandsAfter(1), Frames{stillFrame});
    ASSERT_NO_FATAL_FAILURE(key(target, Qt::Key_J));
    EXPECT_EQ(commandsAfter(1), Frames{"21 23 40 84 "});

    // K: the still frame and the bar to its centre, from any rung.
    ASSERT_NO_FATAL_FAILURE(key(target, Qt::Key_J));
    ASSERT_TRUE(waitFor([&] { return gui->shuttleBar()->value() == 11; }));
    trace->clear();
    QTest::keyClick(target, Qt::Key_K);
    EXPECT_EQ(status(), "Pause") << "shown at once, as the button does";
    EXPECT_EQ(gui->shuttleBar()->value(), 48);
    ASSERT_TRUE(settle());
    EXPECT_EQ(commandsAfter(1), Frames{stillFrame});
    ASSERT_NO_FATAL_FAILURE(key(target, Qt::Key_L));
    EXPECT_EQ(commandsAfter(1), Frames{"21 13 40 74 "});

    // Keys pressed while the operator-action thread is busy (a jog waits 600 ms) act in turn:
    // K's still frame comes after the L before it, and the bar and the status end at still.
    trace->clear();
    QTest::keyClick(target, Qt::Key_Right);
    QTest::keyClick(target, Qt::Key_L);
    QTest::keyClick(target, Qt::Key_K);
    ASSERT_TRUE(settle());
    EXPECT_EQ(commandsAfter(4), (Frames{"21 11 10 42 ", stopFrame, "21 13 40 74 ", stillFrame}));
    EXPECT_EQ(gui->shuttleBar()->value(), 48);
    EXPECT_EQ(status(), "Pause");

    // The bar dragged by the mouse starts the ladder again too.
    trace->clear();
    gui->shuttleBar()->setValue(91);
    ASSERT_TRUE(settle());
    EXPECT_EQ(commandsAfter(1), Frames{"21 13 56 8A "});
    ASSERT_NO_FATAL_FAILURE(key(target, Qt::Key_L));
    EXPECT_EQ(commandsAfter(1), Frames{"21 13 40 74 "});
}

TEST_F(Keyboard, SpacePlaysFromStopOrStillAndStopsAnythingElse) {
    start();
    // Space on a focused button is the key's, not the button's: Stop is not pressed.
    QWidget* target = focusOn(gui->button("Stop *"));
    ASSERT_NO_FATAL_FAILURE(awaitDeckState(DeckModel::Mode::Stop));
    ASSERT_NO_FATAL_FAILURE(key(target, Qt::Key_Space));
    EXPECT_EQ(commandsAfter(1), Frames{playFrame});
    EXPECT_EQ(status(), "Play");

    ASSERT_NO_FATAL_FAILURE(awaitDeckState(DeckModel::Mode::Play));
    ASSERT_NO_FATAL_FAILURE(key(target, Qt::Key_Space));
    EXPECT_EQ(commandsAfter(1), Frames{stopFrame});
    EXPECT_EQ(status(), "Stop");

    // Paused: a still picture plays on.
    ASSERT_NO_FATAL_FAILURE(key(target, Qt::Key_K));
    ASSERT_NO_FATAL_FAILURE(awaitDeckState(DeckModel::Mode::Shuttle));
    ASSERT_NO_FATAL_FAILURE(key(target, Qt::Key_Space));
    EXPECT_EQ(commandsAfter(1), Frames{playFrame});

    // Winding and shuttling are motion: Space stops them.
    press("Fwd >>");
    ASSERT_NO_FATAL_FAILURE(awaitDeckState(DeckModel::Mode::FastForward));
    ASSERT_NO_FATAL_FAILURE(key(target, Qt::Key_Space));
    EXPECT_EQ(commandsAfter(1), Frames{stopFrame});
    ASSERT_NO_FATAL_FAILURE(awaitDeckState(DeckModel::Mode::Stop));
    ASSERT_NO_FATAL_FAILURE(key(target, Qt::Key_J));
    ASSERT_NO_FATAL_FAILURE(awaitDeckState(DeckModel::Mode::Shuttle));
    ASSERT_NO_FATAL_FAILURE(key(target, Qt::Key_Space));
    EXPECT_EQ(commandsAfter(1), Frames{stopFrame});

    // Keys pressed faster than the status is read: each Space goes by the command before it
    // that the deck acknowledged, never by a status read before that command.
    ASSERT_NO_FATAL_FAILURE(awaitDeckState(DeckModel::Mode::Stop));
    struct Burst {
        std::vector<Qt::Key> keys;
        Frames frames;
    } bursts[] = {
        {{Qt::Key_L, Qt::Key_Space, Qt::Key_Space}, {"21 13 40 74 ", stopFrame, playFrame}},
        {{Qt::Key_Space, Qt::Key_Space, Qt::Key_Space}, {stopFrame, playFrame, stopFrame}},
        {{Qt::Key_K, Qt::Key_Space}, {stillFrame, playFrame}},
    };
    for (const Burst& burst : bursts) {
        trace->clear();
        for (const Qt::Key k : burst.keys) QTest::keyClick(target, k);
        ASSERT_TRUE(settle());
        EXPECT_EQ(commandsAfter(burst.frames.size()), burst.frames);
    }
}

TEST_F(Keyboard, ArrowsJogIAndOSetThePointsEscapeStopsAndHeldOrModifiedKeysDoNothing) {
    start();
    QWidget* target = focusOn(gui->button("SetIn"));
    ASSERT_NO_FATAL_FAILURE(key(target, Qt::Key_Right));
    EXPECT_EQ(commandsAfter(2), (Frames{"21 11 10 42 ", stopFrame}));
    EXPECT_EQ(status(), "Jogf");
    ASSERT_NO_FATAL_FAILURE(key(target, Qt::Key_Left));
    EXPECT_EQ(commandsAfter(2), (Frames{"21 21 10 52 ", stopFrame}));
    EXPECT_EQ(status(), "Jogr");
    // The keypad's arrows and a held Shift change nothing.
    ASSERT_NO_FATAL_FAILURE(key(target, Qt::Key_Right, Qt::KeypadModifier));
    EXPECT_EQ(commandsAfter(2), (Frames{"21 11 10 42 ", stopFrame}));
    ASSERT_NO_FATAL_FAILURE(key(target, Qt::Key_K, Qt::ShiftModifier));
    EXPECT_EQ(commandsAfter(1), Frames{stillFrame});

    sim->setPosition(ninepin::FramesOf(0, 1, 2, 3));
    ASSERT_TRUE(waitFor([&] { return gui->texts().time() == "00:01:02:03"; }));
    ASSERT_NO_FATAL_FAILURE(key(target, Qt::Key_I));
    EXPECT_TRUE(waitFor([&] { return text(gui->inField()) == "00:01:02:03"; }));
    EXPECT_EQ(status(), "SetCue");
    sim->setPosition(ninepin::FramesOf(0, 1, 4, 5));
    ASSERT_TRUE(waitFor([&] { return gui->texts().time() == "00:01:04:05"; }));
    ASSERT_NO_FATAL_FAILURE(key(target, Qt::Key_O));
    EXPECT_TRUE(waitFor([&] { return text(gui->outField()) == "00:01:04:05"; }));
    EXPECT_EQ(status(), "SetRev");
    EXPECT_EQ(text(gui->inField()), "00:01:02:03");
    EXPECT_TRUE(trace->commandBytes().empty()) << "marking sends nothing";

    ASSERT_NO_FATAL_FAILURE(key(target, Qt::Key_Escape));
    EXPECT_EQ(commandsAfter(1), Frames{stopFrame});
    EXPECT_EQ(status(), "Stop");

    // A held key acts once: its repeats go nowhere, not even to the focused control (a
    // read-only field whose cursor an arrow would move).
    QLineEdit* field = gui->statusField();
    focusOn(field);
    trace->clear();
    QTest::keyPress(field, Qt::Key_Left);
    const int cursor = field->cursorPosition();
    for (int i = 0; i < 5; ++i) {
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(field, &repeat);
    }
    EXPECT_EQ(field->cursorPosition(), cursor);
    QTest::keyRelease(field, Qt::Key_Left);
    ASSERT_TRUE(settle());
    EXPECT_EQ(commandsAfter(2), (Frames{"21 21 10 52 ", stopFrame}));

    // With Ctrl or Alt held these are not the keys; Ctrl+S and Ctrl+O are the logger's.
    trace->clear();
    for (const auto& [k, mods] : std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>>{
             {Qt::Key_Space, Qt::AltModifier},
             {Qt::Key_J, Qt::AltModifier},
             {Qt::Key_L, Qt::ControlModifier},
             {Qt::Key_Escape, Qt::ControlModifier},
             {Qt::Key_S, Qt::ControlModifier},
             {Qt::Key_O, Qt::ControlModifier}})
        QTest::keyClick(target, k, mods);
    ASSERT_TRUE(settle());
    EXPECT_TRUE(trace->commandBytes().empty()) << trace->commandBytes().front();
    EXPECT_EQ(text(gui->outField()), "00:01:04:05");
}

TEST_F(Keyboard, NoKeyActsWhileTheFocusIsInAnEditableField) {
    start();
    QLineEdit* in = gui->inField();
    focusOn(in);
    in->selectAll();
    trace->clear();
    QTest::keyClicks(in, "10:00:00:00");
    for (const Qt::Key k : {Qt::Key_Space, Qt::Key_J, Qt::Key_K, Qt::Key_L, Qt::Key_I, Qt::Key_O,
                            Qt::Key_Left, Qt::Key_Right, Qt::Key_Escape})
        QTest::keyClick(in, k);
    // A key the field leaves (Escape) comes on to the window: still the field's.
    QTest::keyClick(gui, Qt::Key_Escape);
    QTest::keyClick(gui, Qt::Key_Space);
    ASSERT_TRUE(settle());
    ASSERT_TRUE(waitForStatusReads(1));
    EXPECT_TRUE(trace->commandBytes().empty()) << trace->commandBytes().front();
    EXPECT_TRUE(text(in).starts_with("10:00:00:00 jkl")) << text(in);
    EXPECT_EQ(gui->shuttleBar()->value(), 48);
    EXPECT_EQ(text(gui->outField()), "00:00:00:00");

    // The same field locked by a cue run is not one to type in: the keys act.
    vcr->lockCueControls(true); // as a run holds them
    ASSERT_TRUE(in->isReadOnly());
    ASSERT_NO_FATAL_FAILURE(key(in, Qt::Key_Escape));
    EXPECT_EQ(commandsAfter(1), Frames{stopFrame});
    vcr->lockCueControls(false);
    ASSERT_NO_FATAL_FAILURE(key(in, Qt::Key_Escape));
    ASSERT_TRUE(waitForStatusReads(1));
    EXPECT_TRUE(trace->commandBytes().empty());

    // A field that cannot be typed in keeps what is typed there too: no blank or letter moves
    // the deck.
    QLineEdit* status = gui->statusField();
    focusOn(status);
    trace->clear();
    for (const Qt::Key k : {Qt::Key_Space, Qt::Key_L, Qt::Key_J, Qt::Key_K})
        QTest::keyClick(status, k);
    ASSERT_TRUE(settle());
    ASSERT_TRUE(waitForStatusReads(1));
    EXPECT_TRUE(trace->commandBytes().empty()) << trace->commandBytes().front();
}

TEST_F(Keyboard, TheButtonsNameTheirKeys) {
    start();
    for (const auto& [label, k] :
         std::vector<std::pair<std::string, std::string>>{{"Play >", "Space"},
                                                          {"Stop *", "Escape"},
                                                          {"Pause ||", "K"},
                                                          {"< Jog", "Left arrow"},
                                                          {"Jog >", "Right arrow"},
                                                          {"SetIn", "I"},
                                                          {"SetOut", "O"}}) {
        EXPECT_TRUE(gui->button(label)->toolTip().startsWith(QString::fromStdString(k)))
            << label << ": " << gui->button(label)->toolTip().toStdString();
    }
    const QString bar = gui->shuttleBar()->toolTip();
    EXPECT_TRUE(bar.contains("L:") && bar.contains("J:") && bar.contains("K:"))
        << bar.toStdString();
}
