// Timecode standards end to end, offscreen, against the simulated deck at 25, 30 and 29.97
// drop-frame: the rate AUTO finds, a review's stop at 25, the time display's drop-frame ";", and
// the record times of saved EDLs and what a loaded EDL's FCM line does.
#include "EdlWriter.h"
#include "LoggerGUI.h"
#include "NinePin.h"
#include "WindowFixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

using namespace windowtest;

namespace {

namespace fs = std::filesystem;

const ninepin::TcRate sim25{25, false};
const ninepin::TcRate simDF{30, true};

Settings withRate(const std::string& rate) {
    return SettingsFromProperties(Properties{{"FrameRate", rate}});
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The lines of a saved EDL from its first event on.
std::vector<std::string> eventLines(const std::string& bytes) {
    std::vector<std::string> out;
    std::istringstream in(bytes);
    std::string line;
    while (std::getline(in, line))
        if (line.size() > 60) out.push_back(line);
    return out;
}

} // namespace

class FrameRate : public Window {
protected:
    void SetUp() override {
        char name[] = "/tmp/kolb-rate-XXXXXX";
        ASSERT_NE(::mkdtemp(name), nullptr);
        dir = name;
    }
    void TearDown() override {
        finish();
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    DeckSim::Options deckAt(ninepin::TcRate rate) {
        DeckSim::Options opts;
        opts.deck.rate = rate;
        opts.deck.seekMs = 100;
        return opts;
    }
    bool consoleHas(const std::string& line) {
        return waitFor([&] {
            const auto all = consoleLines();
            return std::find(all.begin(), all.end(), line) != all.end();
        });
    }
    LoggerGUI* openLogger() {
        if (!waitFor([this] { return gui->loggerButton()->isEnabled(); }, 10s)) return nullptr;
        QTest::mouseClick(gui->loggerButton(), Qt::LeftButton);
        LoggerGUI* logger = gui->logger();
        if (logger == nullptr) return nullptr;
        logger->setFileChooser([this](const LoggerGUI::FileRequest&) { return chosen; });
        logger->setCloseAsker([] { return LoggerGUI::CloseChoice::Discard; });
        return logger;
    }
    void choose(const std::string& name, ListFormat layout = ListFormat::Standard) {
        chosen = LoggerGUI::ChosenFile{(dir / name).string(), name, layout};
    }

    fs::path dir;
    std::optional<LoggerGUI::ChosenFile> chosen;
};

// A device type reply that comes late on a busy machine is asked for again, three times in all,
// so a deck that answers is always found.
TEST_F(FrameRate, AutoTakes25FromTheDeviceType30DFFromTheFlagAndKeeps30WithoutAnAnswer) {
    struct Case {
        const char* what;
        ninepin::TcRate deck;
        bool answers;
        int deviceType; // -1: the simulator's type for its rate
        timecode::Rate expected;
        const char* line;
        char separator;
    };
    const Case cases[] = {
        {"625/50", sim25, true, -1, timecode::rate25, "Deck is 625/50: Frame Rate 25", ':'},
        {"525/60 drop-frame", simDF, true, -1, timecode::rate30DF,
         "Deck is 525/60, drop-frame: Frame Rate 30DF", ';'},
        {"525/60", {}, true, -1, timecode::rate30, "Deck is 525/60: Frame Rate 30", ':'},
        {"no device type", sim25, false, -1, timecode::rate30,
         "No device type from the deck: Frame Rate 30", ':'},
        {"a type not known", sim25, true, 0x8888, timecode::rate30,
         "Deck type 12 11 88 88 not known: Frame Rate 30 (set FrameRate=25 for a 625/50 deck)",
         ':'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeckSim::Options opts = deckAt(c.deck);
        opts.deck.answersDeviceType = c.answers;
        opts.deck.deviceType = c.deviceType;
        opts.deck.startFrames = ninepin::FramesOf(0, 1, 0, 2, c.deck);
        start(withRate("AUTO"), opts, false);
        StatusLog status(gui->statusField());
        ASSERT_TRUE(waitFor([this] { return vcr->poller() != nullptr; }, 15s));
        const auto frames = trace->bytes();
        const auto asked = std::count(frames.begin(), frames.end(), "00 11 11 ");
        if (c.answers) {
            EXPECT_GE(asked, 1);
            EXPECT_LE(asked, 3);
        } else {
            EXPECT_EQ(asked, 3) << "asked three times in all";
        }
        EXPECT_TRUE(consoleHas(c.line));
        if (c.deviceType >= 0) {
            EXPECT_TRUE(status.has(c.line)) << "the window says it too";
        }
        EXPECT_TRUE(waitFor([&] { return vcr->rate() == c.expected; }));
        ASSERT_TRUE(waitForStatusReads(1));
        const std::string shown = gui->texts().time();
        ASSERT_EQ(shown.size(), 11u) << shown;
        EXPECT_EQ(shown[8], c.separator) << shown;
        finish();
    }
}

TEST_F(FrameRate, WithoutTheSettingNoDeviceTypeIsAskedAndTheRateIs30) {
    start(Settings(), deckAt(sim25), false);
    ASSERT_TRUE(waitFor([this] { return vcr->poller() != nullptr; }, 15s));
    ASSERT_TRUE(waitForStatusReads(1));
    for (const std::string& frame : trace->bytes()) EXPECT_NE(frame, "00 11 11 ");
    EXPECT_EQ(vcr->rate(), timecode::rate30);
}

TEST_F(FrameRate, AReviewStopsOnTheReadingOneFrameBeforeItsOutPointAtItsRate) {
    struct Case {
        const char* rate;
        ninepin::TcRate deck;
        const char *in, *out, *duration;
        int second, frame; // the reading one frame before the out point
        const char *before, *at;
    };
    // At 30 frames a second the 25 stop would wait for 00:00:12:00, a frame late; a drop-frame
    // clip past the first hour counted without drop-frame would stop 108 frames late.
    const Case cases[] = {
        {"25", sim25, "00:00:10:00", "00:00:12:00", "50", 11, 24, "00:00:11:23", "00:00:11:24"},
        {"30DF", simDF, "01:11:00;02", "01:11:02;00", "58", 1, 29, "01:11:01;28", "01:11:01;29"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        DeckSim::Options opts = deckAt(c.deck);
        opts.deck.speedFactor = 0.1; // 300-400 ms a frame: held long before the point
        start(withRate(c.rate), opts);
        StatusLog status(gui->statusField());
        gui->texts().setIn(c.in);
        gui->texts().setOut(c.out);
        press("Review");
        ASSERT_TRUE(waitFor([&] { return sim->snapshot().mode == DeckModel::Mode::Play; }, 30s))
            << "the review did not play";
        EXPECT_TRUE(status.has(std::string("Reviewing Clip of Duration= ") + c.duration))
            << status.last();
        // The tape is then moved a frame at a time, each held until the window shows it.
        sim->setFrozen(true);
        trace->clear(); // the review's own frames so far (a stop among them) are not its end
        const auto stopSent = [&] {
            const auto lines = trace->lines();
            return std::any_of(lines.begin(), lines.end(),
                               [](const std::string& l) { return l.ends_with(" RX 20 00 20 "); });
        };
        const int hour = c.in[1] - '0', minute = (c.in[3] - '0') * 10 + (c.in[4] - '0');
        const auto showAt = [&](const char* shown, int frame) {
            sim->setPosition(ninepin::FramesOf(hour, minute, c.second, frame, c.deck));
            return waitFor([&] { return gui->texts().time() == shown || stopSent(); });
        };
        ASSERT_TRUE(showAt(c.before, c.frame - 1)) << gui->texts().time();
        EXPECT_FALSE(stopSent()) << "stopped two frames before the out point";
        ASSERT_TRUE(showAt(c.at, c.frame)) << gui->texts().time();
        EXPECT_TRUE(waitFor(stopSent, 15s)) << "the review did not stop the deck";
        // The run says why it stopped after the stop frame; its end lets that text reach the
        // window.
        ASSERT_TRUE(waitFor([&] { return vcr->cuethread() && vcr->cuethread()->finished(); }, 15s));
        pump(200ms);
        EXPECT_FALSE(status.has("Review stopped before out point"))
            << "the stop came from the time standing still, not from the out point";
        EXPECT_NE(sim->snapshot().mode, DeckModel::Mode::Play);
        finish();
    }
}

TEST_F(FrameRate, SavedListsHaveTheRecordTimesOfTheirRate) {
    // 25: a 20-frame event and one of 1 s 5 frames make 01:00:00:20, then 01:00:02:00.
    start(withRate("25"), deckAt(sim25));
    LoggerGUI* logger = openLogger();
    ASSERT_NE(logger, nullptr);
    EventList& events = logger->eventList();
    events.SrcInArray[0] = "00:00:10:00";
    events.SrcOutArray[0] = "00:00:10:20";
    events.SrcInArray[1] = "00:00:20:00";
    events.SrcOutArray[1] = "00:00:21:05";
    choose("at25.txt");
    QTest::mouseClick(logger->topButton("Save EDL"), Qt::LeftButton);
    const std::string at25 = readBytes((dir / "at25.txt").string());
    EXPECT_NE(at25.find("FCM: NON-DROP FRAME \r\n"), std::string::npos);
    EXPECT_EQ(
        eventLines(at25),
        (std::vector<std::string>{
            "001  Name01    AA/V  C        00:00:10:00 00:00:10:20 01:00:00:00 01:00:00:20 \r",
            "002  Name02    AA/V  C        00:00:20:00 00:00:21:05 01:00:00:20 01:00:02:00 \r"}));
    // Typed into the top row: a frame field of 25 or more is refused where it is typed, at 25;
    // at 30DF a time typed with ':' is held and written with ';'.
    auto type = [&](int column, const std::string& typed) {
        QLineEdit* f = logger->field(0, column);
        f->setFocus();
        f->selectAll();
        QTest::keyClicks(f, QString::fromStdString(typed));
        QTest::keyClick(f, Qt::Key_Return);
        return f->text().toStdString();
    };
    EXPECT_EQ(type(2, "00:00:30:25"), "00:00:10:00") << "refused: the field shows the event's in";
    EXPECT_EQ(events.SrcInArray[0], "00:00:10:00");
    EXPECT_TRUE(logger->messageLabel()->text().startsWith("Not a timecode at 25"));
    EXPECT_EQ(type(2, "00.00.30.24"), "00:00:30:24");
    EXPECT_EQ(events.SrcInArray[0], "00:00:30:24");
    finish();

    // 29.97 drop-frame: 20 frames; 1 s 5 frames across a minute (00:00:59;20 to 00:01:00;27
    // spans 37 numbers, two of them dropped); then a drop-frame minute, 1798 frames, whose record
    // times cross 01:01:00.
    start(withRate("30DF"), deckAt(simDF));
    logger = openLogger();
    ASSERT_NE(logger, nullptr);
    EventList& df = logger->eventList();
    df.SrcInArray[0] = "00:00:50;00";
    df.SrcOutArray[0] = "00:00:50;20";
    df.SrcInArray[1] = "00:00:59;20";
    df.SrcOutArray[1] = "00:01:00;27";
    df.SrcInArray[2] = "00:01:00;27";
    logger->scrollBar()->setValue(2);
    EXPECT_EQ(type(3, "00:00:00:00"), "00:00:00:00") << "no out: zero at every rate";
    EXPECT_EQ(type(3, "00:02:00:27"), "00:02:00;27");
    logger->scrollBar()->setValue(0);
    choose("df.edl", ListFormat::Cmx3600);
    QTest::mouseClick(logger->topButton("Save EDL"), Qt::LeftButton);
    const std::string cmx = readBytes((dir / "df.edl").string());
    EXPECT_NE(cmx.find("FCM: DROP FRAME\r\n"), std::string::npos) << cmx;
    EXPECT_EQ(
        eventLines(cmx),
        (std::vector<std::string>{
            "001  AX       AA/V  C        00:00:50;00 00:00:50;20 01:00:00;00 01:00:00;20\r",
            "002  AX       AA/V  C        00:00:59;20 00:01:00;27 01:00:00;20 01:00:01;25\r",
            "003  AX       AA/V  C        00:01:00;27 00:02:00;27 01:00:01;25 01:01:01;25\r"}));
    choose("df.txt");
    QTest::mouseClick(logger->topButton("Save EDL"), Qt::LeftButton);
    const std::string standard = readBytes((dir / "df.txt").string());
    EXPECT_NE(standard.find("FCM: DROP FRAME \r\n"), std::string::npos) << standard;
    finish();

    // Loaded on a 30 non-drop deck, the list's FCM line still says how its times count.
    start(withRate("30"), deckAt({}));
    logger = openLogger();
    ASSERT_NE(logger, nullptr);
    choose("df.txt");
    QTest::mouseClick(logger->topButton("Load EDL"), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !logger->loading(); }))
        << "the list is read beside the window";
    EXPECT_EQ(logger->eventList().SrcOutArray[1], "00:01:00;27");
    ASSERT_TRUE(logger->getduration(1));
    EXPECT_EQ(logger->duration, 35);
    choose("again.txt");
    QTest::mouseClick(logger->topButton("Save EDL"), Qt::LeftButton);
    const std::string again = readBytes((dir / "again.txt").string());
    EXPECT_EQ(again.substr(again.find("\r\n")), standard.substr(standard.find("\r\n")))
        << "the same list but for its title";

    // A NON-DROP list, and a list with no FCM line after a drop-frame one, count at the deck's
    // rate again.
    choose("at25.txt");
    QTest::mouseClick(logger->topButton("Load EDL"), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !logger->loading(); }))
        << "the list is read beside the window";
    ASSERT_TRUE(logger->getduration(1));
    EXPECT_EQ(logger->duration, 35) << "00:00:20:00 to 00:00:21:05 at 30";
    choose("nd.txt");
    QTest::mouseClick(logger->topButton("Save EDL"), Qt::LeftButton);
    EXPECT_NE(readBytes((dir / "nd.txt").string()).find("FCM: NON-DROP FRAME \r\n"),
              std::string::npos);
    std::ofstream(dir / "plain.txt", std::ios::binary)
        << "TITLE: plain\r\n"
        << "001  Clip      AA/V  C        00:00:59:20 00:01:00:27 01:00:00:00 01:00:01:07 \r\n";
    choose("df.txt");
    QTest::mouseClick(logger->topButton("Load EDL"), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !logger->loading(); }))
        << "the list is read beside the window";
    choose("plain.txt");
    QTest::mouseClick(logger->topButton("Load EDL"), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !logger->loading(); }))
        << "the list is read beside the window";
    ASSERT_TRUE(logger->getduration(0));
    EXPECT_EQ(logger->duration, 37) << "no FCM line: the deck's 30 non-drop, not the last list's";
}

TEST_F(FrameRate, ADropFrameCueSendsTheDigitsAsTypedAndTheDeckShowsThatLabel) {
    start(withRate("30DF"), deckAt(simDF));
    gui->inField()->setFocus();
    gui->inField()->selectAll();
    QTest::keyClicks(gui->inField(), "00:10:00;02");
    press("CueIn");
    const Frames sent = commandsAfter(1);
    ASSERT_FALSE(sent.empty()) << "no cue frame";
    EXPECT_EQ(sent.front(), "24 31 02 00 10 00 67 ");
    EXPECT_TRUE(waitFor(
        [&] { return sim->snapshot().frames == ninepin::FramesOf(0, 10, 0, 2, simDF); }, 15s))
        << ninepin::TimecodeText(sim->snapshot().frames, simDF);
    EXPECT_TRUE(waitFor([&] { return gui->texts().time() == "00:10:00;02"; }))
        << gui->texts().time();
}
