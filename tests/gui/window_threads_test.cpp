// The main window fed from other threads (the shared time texts, the status line, the state
// marks), what it shows when the deck cannot be reached or answers badly, and closing while
// the operator-action thread is busy.
#include "QuietPort.h"
#include "WindowFixture.h"

#include <QLineEdit>
#include <QScrollBar>

#include <algorithm>
#include <condition_variable>
#include <cstdio>

using namespace windowtest;

namespace {

class WindowThreads : public Window {};
class WindowClosing : public Window {};

// Counts the calls posted to an object (queued invocations) as they are delivered.
class PostCounter : public QObject {
public:
    explicit PostCounter(QObject* watched) : target(watched) { target->installEventFilter(this); }
    ~PostCounter() override { target->removeEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::MetaCall) ++count;
        return false;
    }

private:
    QObject* target;
};

// Where the window marks a reading's state: above the control the state belongs to.
QRect markOf(const LocalGUI& gui, Mark mark) {
    switch (mark) {
    case Mark::Play:
        return markAbove(gui.button("Play >"));
    case Mark::Record:
        return markAbove(gui.button("REC"));
    case Mark::Fwd:
        return markAbove(gui.button("Fwd >>"));
    case Mark::Rew:
        return markAbove(gui.button("<< Rew"));
    case Mark::Stop:
        return markAbove(gui.button("Stop *"));
    case Mark::Sbyon:
        return markAbove(gui.button("SbyON"));
    case Mark::Shuttle:
        return markAbove(gui.shuttleBar());
    case Mark::JogF:
        return markAbove(gui.button("Jog >"));
    case Mark::JogR:
        return markAbove(gui.button("< Jog"));
    }
    return {};
}

std::vector<QRect> marksOf(const LocalGUI& gui, const std::vector<Mark>& reading) {
    std::vector<QRect> rects;
    for (Mark m : reading) rects.push_back(markOf(gui, m));
    return rects;
}

// "hh:mm:ss:ff" for a frame count, a different text for every n below 30 * 60 * 60.
std::string timeText(int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "00:%02d:%02d:%02d", n / 1800 % 60, n / 30 % 60, n % 30);
    return buf;
}

} // namespace

TEST_F(WindowThreads, InAndOutTextsSetFromAnotherThreadReachTheirFieldsOnTheWindowsThread) {
    start();
    std::jthread([this] {
        vcr->panel().texts().setIn("01:02:03:04");
        vcr->panel().texts().setOut("05:06:07:08");
    }).join();
    EXPECT_EQ(gui->texts().in(), "01:02:03:04") << "the shared text changes at once";
    EXPECT_EQ(gui->texts().out(), "05:06:07:08");
    EXPECT_EQ(gui->inField()->text().toStdString(), "00:00:00:00")
        << "no widget is touched off its thread";
    EXPECT_EQ(gui->outField()->text().toStdString(), "00:00:00:00");
    EXPECT_TRUE(waitFor([&] {
        return gui->inField()->text() == "01:02:03:04" && gui->outField()->text() == "05:06:07:08";
    }));
}

TEST_F(WindowThreads, TypedTextIsWhatTheTextsHoldAndAnEarlierUpdateNeverRevertsIt) {
    start();
    struct Case {
        const char* name;
        QLineEdit* field;
        void (TimeTexts::*set)(const std::string&);
        std::string (TimeTexts::*get)() const;
    };
    TimeTexts& texts = gui->texts();
    for (const Case& c : {Case{"in", gui->inField(), &TimeTexts::setIn, &TimeTexts::in},
                          Case{"out", gui->outField(), &TimeTexts::setOut, &TimeTexts::out}}) {
        // A text set from another thread, its field update still waiting on the window's
        // thread when the operator types over it.
        std::jthread([&] { (texts.*c.set)("09:09:09:09"); }).join();
        c.field->setFocus();
        c.field->selectAll();
        QTest::keyClicks(c.field, "03:04:05:06");
        EXPECT_EQ((texts.*c.get)(), "03:04:05:06") << c.name << ": typing writes the text";
        QApplication::processEvents(); // delivers the waiting update
        EXPECT_EQ(c.field->text().toStdString(), "03:04:05:06")
            << c.name << ": the typed text stays";
        EXPECT_EQ((texts.*c.get)(), "03:04:05:06") << c.name;

        // The same text set again while the operator's cursor sits at its start: the field is
        // not set again, so the cursor stays.
        QTest::keyClick(c.field, Qt::Key_Home);
        ASSERT_EQ(c.field->cursorPosition(), 0) << c.name;
        std::jthread([&] { (texts.*c.set)("03:04:05:06"); }).join();
        QApplication::processEvents();
        EXPECT_EQ(c.field->cursorPosition(), 0) << c.name << ": an unchanged text is not set";
    }
}

TEST_F(WindowThreads, DisplayUpdatesFromAnotherThreadCoalesceAndTheNewestWins) {
    start();
    ASSERT_TRUE(silencePoller());
    const std::vector<std::vector<Mark>> readings = {
        {Mark::Play}, {Mark::Fwd, Mark::Shuttle}, {Mark::Stop}, {Mark::Record, Mark::Play}};
    constexpr int updates = 201;
    struct Case {
        const char* name;
        std::function<void(int)> update;          // the n-th update, on another thread
        std::function<std::string()> shown;       // what the window shows
        std::function<std::string(int)> expected; // what it shows after the n-th update
    };
    auto str = [](const QString& q) { return q.toStdString(); };
    auto marksText = [&](const std::vector<QRect>& rects) {
        std::string out;
        for (const QRect& r : rects)
            out += std::to_string(r.x()) + "," + std::to_string(r.y()) + " ";
        return out;
    };
    const std::vector<Case> cases = {
        {"time", [&](int n) { gui->ShowTC(timeText(n)); },
         [&] { return str(gui->timeField()->text()); }, [](int n) { return timeText(n); }},
        {"in", [&](int n) { gui->texts().setIn(timeText(n)); },
         [&] { return str(gui->inField()->text()); }, [](int n) { return timeText(n); }},
        {"out", [&](int n) { gui->texts().setOut(timeText(n)); },
         [&] { return str(gui->outField()->text()); }, [](int n) { return timeText(n); }},
        {"status", [&](int n) { gui->ShowStatus("reading " + std::to_string(n)); },
         [&] { return str(gui->statusField()->text()); },
         [](int n) { return "reading " + std::to_string(n); }},
        {"marks", [&](int n) { gui->showMarks(readings[n % readings.size()]); },
         [&] { return marksText(gui->marks()); },
         [&](int n) { return marksText(marksOf(*gui, readings[n % readings.size()])); }},
    };
    // On the window's own thread a reading shows at once; the thread's readings replace it.
    gui->showMarks({Mark::Stop, Mark::Sbyon});
    ASSERT_EQ(gui->marks(), marksOf(*gui, {Mark::Stop, Mark::Sbyon}));
    for (const Case& c : cases) {
        const std::string before = c.shown();
        PostCounter posts(gui);
        std::jthread([&] {
            for (int n = 1; n <= updates; ++n) c.update(n);
        }).join();
        EXPECT_EQ(c.shown(), before) << c.name << ": nothing shown before the window's thread runs";
        QApplication::processEvents();
        EXPECT_EQ(c.shown(), c.expected(updates)) << c.name << ": the newest value wins";
        EXPECT_EQ(posts.count, 1) << c.name << ": one update waits at a time";
    }
}

TEST_F(WindowThreads, MarksShownWhileReadingsArriveAreAlwaysThoseOfOneReading) {
    start();
    ASSERT_TRUE(silencePoller());
    const std::vector<std::vector<Mark>> readings = {{Mark::Play},
                                                     {Mark::Stop},
                                                     {Mark::Fwd, Mark::Shuttle},
                                                     {Mark::Rew, Mark::JogR},
                                                     {Mark::JogF, Mark::Sbyon},
                                                     {Mark::Record, Mark::Play, Mark::Sbyon},
                                                     {}};
    std::vector<std::vector<QRect>> allowed;
    for (const auto& reading : readings) allowed.push_back(marksOf(*gui, reading));
    std::jthread feeder([&](std::stop_token stop) {
        for (size_t n = 0; !stop.stop_requested(); ++n) {
            gui->showMarks(readings[n % readings.size()]);
            std::this_thread::sleep_for(300us);
        }
    });
    int changes = 0, mixed = 0;
    std::vector<QRect> last = gui->marks();
    EXPECT_TRUE(waitFor(
        [&] {
            const std::vector<QRect> now = gui->marks();
            if (now != last) {
                ++changes;
                last = now;
                if (std::find(allowed.begin(), allowed.end(), now) == allowed.end()) ++mixed;
            }
            return changes >= 40;
        },
        10s))
        << changes << " changes seen";
    feeder.request_stop();
    feeder.join();
    EXPECT_EQ(mixed, 0) << "marks of two readings were shown at once";
}

TEST_F(WindowThreads, ADeckThatCannotBeReachedIsReportedInTheStatusField) {
    // A port that opened but gives no streams: the link has no output stream.
    class PortWithoutStreams : public QuietPort {
    public:
        int getPortNum() const override { return -1; }
        bool isOpen() const override { return false; }
        std::string getName() const override { return "no streams"; }
    };
    struct Case {
        const char* name;
        bool linkWithoutStreams;
        std::function<void(DeckSim&)> fault;
        std::string status;      // shown, after the deck line's path when it ends in ": "
        std::string consoleLine; // likewise, when any
        // A button that sends no frame, pressed once the status shows: its name shows at
        // once, then the condition comes back.
        const char* pressed = nullptr;
    };
    const std::vector<Case> cases = {
        {"a silent deck", false, [](DeckSim& d) { d.setNoReply(true); }, "No reply from deck",
         "No reply from deck"},
        // The line closes under the link: its writes fail with EIO.
        {"a deck that disappeared", false, [](DeckSim& d) { d.disappear(); },
         "Deck link lost: ", "Deck link lost: "},
        {"a link without an output stream", true, [](DeckSim&) {}, "No VCR Detected",
         "Unable to make OutputStream"},
        {"LOCAL, then SetIn", false, [](DeckSim& d) { d.setLocal(true); }, DeckCondition::localText,
         "Deck in LOCAL", "SetIn"},
        {"no tape, then SCRIPT", false, [](DeckSim& d) { d.ejectTape(); },
         DeckCondition::noTapeText, "No tape", "SCRIPT"},
    };
    const QColor red(250, 80, 80);
    const QColor grey(128, 128, 128);
    for (const Case& c : cases) {
        if (c.linkWithoutStreams)
            portFactory = [](const SerialConfig&) {
                return std::make_unique<PortWithoutStreams>();
            };
        start();
        const std::string line = sim->path();
        auto withPath = [&](const std::string& text) {
            return text.ends_with(": ") ? text + line : text;
        };
        if (!c.linkWithoutStreams) {
            ASSERT_TRUE(waitFor([&] { return gui->timeField()->textColour() == red; }))
                << c.name << ": live";
        }
        c.fault(*sim);
        EXPECT_TRUE(waitFor([&] {
            return gui->statusField()->text().toStdString() == withPath(c.status);
        })) << c.name
            << ": " << gui->statusField()->text().toStdString();
        if (c.pressed) {
            QTest::mouseClick(gui->button(c.pressed), Qt::LeftButton);
            EXPECT_NE(gui->statusField()->text().toStdString(), c.status) << c.name;
            EXPECT_TRUE(
                waitFor([&] { return gui->statusField()->text().toStdString() == c.status; }, 20s))
                << c.name << ": " << gui->statusField()->text().toStdString();
        } else if (!c.linkWithoutStreams) {
            // Within the second after which silence shows, the time goes grey and the marks go.
            EXPECT_TRUE(waitFor([&] {
                return gui->timeField()->textColour() == grey && gui->marks().empty();
            })) << c.name;
        }
        const auto out = consoleLines();
        EXPECT_NE(std::find(out.begin(), out.end(), withPath(c.consoleLine)), out.end()) << c.name;
        finish();
    }
}

TEST_F(WindowThreads, AShortOrForeignReplyShowsNothingNew) {
    start();
    press("Play >");
    const std::vector<QRect> playing{markAbove(gui->button("Play >"))};
    ASSERT_TRUE(waitFor([&] { return gui->marks() == playing; }));
    struct Case {
        const char* name;
        std::function<void(bool)> fault;
    };
    const std::vector<Case> cases = {
        {"one byte short", [&](bool on) { sim->setDropByte(on); }},
        {"foreign bytes first", [&](bool on) { sim->setGarbage(on ? 3 : 0); }},
        {"a NAK", [&](bool on) { sim->setNakEvery(on ? 1 : 0); }},
    };
    for (const Case& c : cases) {
        c.fault(true);
        ASSERT_TRUE(waitForStatusReads(1)) << c.name; // reads under way end first
        gui->ShowStatus("before");
        const QString time = gui->timeField()->text();
        ASSERT_TRUE(waitForStatusReads(1)) << c.name;
        // Nothing decoded from the bad replies: at most, once a second has passed without a
        // time, the deck is shown as silent.
        const std::string status = gui->statusField()->text().toStdString();
        EXPECT_TRUE(status == "before" || status == "No reply from deck") << c.name << status;
        EXPECT_TRUE(gui->marks() == playing || gui->marks().empty()) << c.name;
        EXPECT_EQ(gui->timeField()->text().toStdString(), time.toStdString())
            << c.name << ": the time does not move either";
        c.fault(false);
        EXPECT_TRUE(waitFor([&] {
            return gui->timeField()->text() != time &&
                   gui->statusField()->text().toStdString() == "Play " && gui->marks() == playing;
        })) << c.name
            << ": the deck's good replies show again";
    }
}

namespace {

// An operator action that holds the operator-action thread until released (at most `most`).
struct SlowAction {
    std::mutex mutex; // guards open
    std::condition_variable opened;
    bool open = false;
    std::atomic<bool> started{false};
    std::atomic<bool> ended{false};

    void run(std::chrono::milliseconds most) {
        started = true;
        std::unique_lock lock(mutex);
        opened.wait_for(lock, most, [this] { return open; });
        ended = true;
    }
    void release() {
        {
            std::lock_guard lock(mutex);
            open = true;
        }
        opened.notify_all();
    }
};

} // namespace

TEST_F(WindowClosing, ClosingActsAtOnceAndDropsWhatWasQueuedBehindASlowAction) {
    start();
    auto slow = std::make_shared<SlowAction>();
    // Released on every way out, so the controller's end never waits the whole 6 s.
    const std::shared_ptr<void> releaseAtEnd(nullptr, [slow](void*) { slow->release(); });
    vcr->post([slow] { slow->run(6s); });
    ASSERT_TRUE(waitFor([&] { return slow->started.load(); }));
    auto queuedRan = std::make_shared<std::atomic<bool>>(false);
    vcr->post([queuedRan] { *queuedRan = true; });
    QTest::mouseClick(gui->button("Play >"), Qt::LeftButton); // waits its turn too

    const auto t0 = Clock::now();
    gui->close();
    ASSERT_TRUE(waitForExit()) << "closing waited behind the slow action";
    EXPECT_LT(Clock::now() - t0, 2s);
    EXPECT_EQ(exitStatus.load(), 0);
    EXPECT_FALSE(slow->ended) << "the program ended while the slow action still ran";

    slow->release();
    vcr.reset(); // joins the operator-action thread: what was queued has run or never will
    gui = nullptr;
    EXPECT_FALSE(*queuedRan) << "the action queued behind the slow one ran";
    EXPECT_EQ(trace->commandBytes(), Frames{}) << "the queued Play was sent";
}

TEST_F(WindowClosing, ClosingDuringARecordersStartUpStopsTheDeckTwiceAndEndsAtOnce) {
    Settings s;
    s.vanto = true;
    s.VCRType = "VANTO";
    s.stoponexit = true;
    start(s, {}, /*awaitStartup=*/false);
    // The first set-up frame; start-up now waits 4 s before the next.
    ASSERT_EQ(commandsAfter(1), Frames{"F3 02 D0 00 10 D5 "});

    const auto t0 = Clock::now();
    gui->close();
    ASSERT_TRUE(waitForExit()) << "closing waited behind the recorder's start-up";
    EXPECT_LT(Clock::now() - t0, 2s);
    EXPECT_EQ(exitStatus.load(), 0);
    EXPECT_EQ(commandsAfter(3), (Frames{"F3 02 D0 00 10 D5 ", "20 00 20 ", "20 00 20 "}))
        << "two Stops, the start-up's other frames still to come";
    const auto cmds = trace->commands();
    ASSERT_GE(cmds.size(), 3u);
    EXPECT_GE(cmds[2].at - cmds[1].at, 495ms);
    EXPECT_LE(cmds[2].at - cmds[1].at, 1000ms);

    // The start-up in progress runs to its end (here, where the program was not ended) but
    // starts no poller: its last step enables the logger button.
    EXPECT_TRUE(waitFor([&] { return gui->loggerButton()->isEnabled(); }, 15s));
    EXPECT_EQ(vcr->poller(), nullptr);
}
