// The logger window, offscreen, beside the main window and the simulated deck: its place and
// fresh event list, the grid and its scroll bar, the row buttons and the typed top row, Review
// and RevALL against the deck, EDL files through an injected file dialog, the question before
// closing with changes, and marks from another thread.
#include "ClipsToWrite.h"
#include "EdlWriter.h"
#include "ExpectedClips.h"
#include "LoggerGUI.h"
#include "NetClient.h"
#include "NinePin.h"
#include "Pty.h"
#include "WindowFixture.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <stdexcept>
#include <thread>

using namespace windowtest;

namespace {

namespace fs = std::filesystem;

const std::string playFrame = "20 01 21 ";
const std::string stopFrame = "20 00 20 ";
const QColor darkGrey(64, 64, 64);
const QColor lightGrey(192, 192, 192);
enum Column { EdNum, Name, In, Out, Duration, Tape, Notes };

Settings diskRecorder() {
    Settings s;
    s.vanto = true;
    s.VCRType = "VANTO";
    return s;
}

std::string text(const QLineEdit* field) {
    return field->text().toStdString();
}

std::string twoDigits(int n) {
    return std::string(1, static_cast<char>('0' + n / 10 % 10)) + static_cast<char>('0' + n % 10);
}

// A directory of its own for the files a test writes, removed afterwards.
class TempDir {
public:
    TempDir() {
        char name[] = "/tmp/kolb-logger-XXXXXX";
        if (::mkdtemp(name) == nullptr) throw std::runtime_error("mkdtemp failed");
        path = name;
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    std::string file(const std::string& name) const { return (path / name).string(); }

    fs::path path;
};

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace

class LoggerWindow : public Window {
protected:
    // Opens a logger from the main window and answers its file dialog and closing question
    // from the test: the dialog returns `chosen` (nothing: cancelled), the question `answer`.
    LoggerGUI* openLogger() {
        // Start-up enables the button through the window's queue: a busy machine may not have
        // handled that yet when start-up itself has ended.
        if (!waitFor([this] { return gui->loggerButton()->isEnabled(); }, 10s)) {
            ADD_FAILURE() << "the logger button stayed disabled";
            return nullptr;
        }
        QTest::mouseClick(gui->loggerButton(), Qt::LeftButton);
        LoggerGUI* logger = gui->logger();
        if (logger == nullptr || !logger->isVisible()) {
            ADD_FAILURE() << "no logger window opened";
            return nullptr;
        }
        logger->setFileChooser([this](const LoggerGUI::FileRequest& request) {
            dialogs.push_back(request.title + (request.save ? " (save)" : " (load)"));
            requests.push_back(request);
            return chosen;
        });
        logger->setCloseAsker([this] {
            ++questions;
            return answer;
        });
        return logger;
    }
    // A logger beside a disk recorder that seeks in 100 ms: reviews run quickly.
    void openOnDiskRecorder(LoggerGUI*& logger) {
        DeckSim::Options opts;
        opts.deck.seekMs = 100;
        start(diskRecorder(), opts);
        logger = openLogger();
        ASSERT_NE(logger, nullptr);
    }
    // Moves the simulated deck and waits until the time display shows it.
    void showDeckAt(int frames, const std::string& shown) {
        sim->setPosition(frames);
        ASSERT_TRUE(waitFor([&] { return gui->texts().time() == shown; }))
            << "time display " << gui->texts().time();
    }
    // Waits until the main window's in and out fields show these: another thread set them, and
    // the window follows once it has handled what that posted.
    ::testing::AssertionResult fieldsShow(const std::string& in, const std::string& out) {
        if (waitFor([&] { return text(gui->inField()) == in && text(gui->outField()) == out; }))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "in " << text(gui->inField()) << ", out " << text(gui->outField());
    }
    std::vector<std::string> reviewLines(size_t mark) {
        std::vector<std::string> out;
        for (const auto& line : consoleSince(mark))
            if (line.starts_with("Review EDL Clip ")) out.push_back(line);
        return out;
    }
    bool loggerButtonEnabled() const {
        const QPushButton* b = gui->loggerButton();
        const QColor colour = b->palette().color(QPalette::Button);
        if (b->isEnabled() && colour == lightGrey) return true;
        if (!b->isEnabled() && colour == darkGrey) return false;
        ADD_FAILURE() << "logger button enabled " << b->isEnabled() << " on "
                      << colour.name().toStdString();
        return b->isEnabled();
    }

    std::optional<LoggerGUI::ChosenFile> chosen;
    LoggerGUI::CloseChoice answer = LoggerGUI::CloseChoice::Cancel;
    std::vector<std::string> dialogs;
    std::vector<LoggerGUI::FileRequest> requests;
    int questions = 0;
};

TEST_F(LoggerWindow, OpensBesideTheMainWindowWithAFreshLogAndScrollsToItsLastEvents) {
    start();
    // Start-up enables the button through the window's queue, which a busy machine may not have
    // handled yet.
    ASSERT_TRUE(waitFor([this] { return gui->loggerButton()->isEnabled(); }, 10s));
    ASSERT_TRUE(loggerButtonEnabled());
    LoggerGUI* logger = openLogger();
    ASSERT_NE(logger, nullptr);
    EXPECT_EQ(logger->windowTitle().toStdString(), "KOLB Logger");
    EXPECT_EQ(logger->size(), QSize(850, 642))
        << "the column names above the grid, the strip below it, the new columns to the right";
    EXPECT_EQ(logger->pos(), QPoint(350, 0));
    EXPECT_FALSE(loggerButtonEnabled()) << "one logger at a time";

    for (int r = 0; r < LoggerGUI::NumRows; ++r) {
        SCOPED_TRACE("row " + std::to_string(r));
        EXPECT_EQ(logger->numberButton(r)->text().toStdString(), "0" + twoDigits(r + 1));
        EXPECT_EQ(text(logger->field(r, Name)), "Name" + twoDigits(r + 1));
        EXPECT_EQ(text(logger->field(r, In)), "00:00:00:00");
        EXPECT_EQ(text(logger->field(r, Out)), "00:00:00:00");
        for (int c : {Name, In, Out}) EXPECT_EQ(logger->field(r, c)->isReadOnly(), r != 0);
        EXPECT_EQ(logger->inButton(r)->property("command").toString().toStdString(),
                  std::to_string(r));
    }
    // The old grid's places below the column names (18 pixels), the new columns to its right,
    // each under its name.
    const int t = LoggerGUI::headingHeight;
    EXPECT_EQ(logger->topButton("Load EDL")->geometry(), QRect(5, t + 5, 94, 21));
    EXPECT_EQ(logger->numberButton(0)->geometry(), QRect(5, t + 28, 37, 21));
    EXPECT_EQ(logger->field(19, Out)->geometry(), QRect(308, t + 5 + 20 * 23, 94, 21));
    EXPECT_EQ(logger->cueButton(0)->geometry(), QRect(407, t + 28, 12, 21));
    EXPECT_EQ(logger->scrollBar()->geometry(), QRect(429, t + 20, 20, 470));
    const char* names[] = {"No.", "Name", "In", "Out", "Duration", "Tape", "Notes"};
    for (int c = EdNum; c <= Notes; ++c) {
        EXPECT_EQ(logger->heading(c)->text().toStdString(), names[c]);
        EXPECT_EQ(logger->heading(c)->x(),
                  c == EdNum ? logger->numberButton(0)->x() : logger->field(0, c)->x());
        if (c >= Duration) {
            EXPECT_GT(logger->field(0, c)->x(), logger->scrollBar()->x());
        }
    }
    EXPECT_EQ(logger->heading(LoggerGUI::Columns)->text().toStdString(), "Good");
    EXPECT_GT(logger->goodBox(0)->x(), logger->field(0, Notes)->x());
    QScrollBar* bar = logger->scrollBar();
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 80);
    EXPECT_EQ(bar->pageStep(), 20);

    bar->setValue(200);
    EXPECT_EQ(bar->value(), 80) << "the scroll bar stops at 80";
    EXPECT_EQ(logger->numberButton(0)->text().toStdString(), "081");
    EXPECT_EQ(text(logger->field(0, Name)), "Name81");
    EXPECT_EQ(text(logger->field(18, Name)), "Name99");
    EXPECT_EQ(logger->numberButton(19)->text().toStdString(), "100");
    EXPECT_EQ(text(logger->field(19, Name)), "Name00");

    // Unchanged: it closes without a question, and the button comes back.
    logger->close();
    EXPECT_FALSE(logger->isVisible());
    EXPECT_EQ(questions, 0);
    EXPECT_TRUE(loggerButtonEnabled());

    // A new opening is a new log, shown from event 1.
    logger->eventList().ClipNameArray[0] = "Old";
    LoggerGUI* second = openLogger();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->top(), 0);
    EXPECT_EQ(second->scrollBar()->value(), 0);
    EXPECT_EQ(text(second->field(0, Name)), "Name01");
    EXPECT_EQ(second->eventList(), EventList::initial());
}

TEST_F(LoggerWindow, RowButtonsAndTheTopRowWriteTheEventTheRowShows) {
    start();
    LoggerGUI* logger = openLogger();
    ASSERT_NE(logger, nullptr);
    ASSERT_NO_FATAL_FAILURE(showDeckAt(ninepin::FramesOf(0, 10, 20, 5), "00:10:20:05"));

    logger->scrollBar()->setValue(10);
    QTest::mouseClick(logger->inButton(3), Qt::LeftButton);
    ASSERT_NO_FATAL_FAILURE(showDeckAt(ninepin::FramesOf(0, 10, 25, 0), "00:10:25:00"));
    QTest::mouseClick(logger->outButton(3), Qt::LeftButton);
    const EventList& events = logger->eventList();
    EXPECT_EQ(events.SrcInArray[13], "00:10:20:05") << "row 3 shows event 14";
    EXPECT_EQ(events.SrcOutArray[13], "00:10:25:00");
    EXPECT_EQ(text(logger->field(3, In)), "00:10:20:05");
    EXPECT_EQ(text(logger->field(3, Out)), "00:10:25:00");
    EXPECT_EQ(events.SrcInArray[3], "00:00:00:00");
    EXPECT_EQ(events.SrcInArray[10], "00:00:00:00");
    EXPECT_TRUE(logger->changed());

    // "*" hands the clip to the main window's in and out points, and sends nothing.
    ASSERT_TRUE(settle());
    trace->clear();
    QTest::mouseClick(logger->cueButton(3), Qt::LeftButton);
    EXPECT_TRUE(fieldsShow("00:10:20:05", "00:10:25:00"));
    ASSERT_TRUE(settle());
    EXPECT_TRUE(trace->commandBytes().empty());

    // The top row takes what is typed when Enter is pressed, into the event it shows.
    const std::pair<int, const char*> typed[] = {
        {Name, "Interview"}, {In, "00:00:01:00"}, {Out, "00:00:02:00"}};
    for (const auto& [column, value] : typed) {
        QLineEdit* f = logger->field(0, column);
        f->setFocus();
        f->selectAll();
        QTest::keyClicks(f, value);
    }
    EXPECT_EQ(events.ClipNameArray[10], "Interview") << "leaving the field stored it";
    EXPECT_EQ(events.SrcInArray[10], "00:00:01:00");
    EXPECT_EQ(events.SrcOutArray[10], "00:00:00:00") << "nothing stored before Enter";
    QTest::keyClick(logger->field(0, Out), Qt::Key_Return);
    EXPECT_EQ(events.SrcOutArray[10], "00:00:02:00");
}

TEST_F(LoggerWindow, RevAllReviewsEachTimedClipInTurnWhileTheTimeDisplayFollowsTheDeck) {
    LoggerGUI* logger = nullptr;
    ASSERT_NO_FATAL_FAILURE(openOnDiskRecorder(logger));
    EventList& events = logger->eventList();
    const char* clips[3][2] = {{"00:00:10:00", "00:00:11:00"},
                               {"00:00:20:00", "00:00:20:20"},
                               {"00:00:30:00", "00:00:31:00"}};
    for (int i = 0; i < 3; ++i) {
        events.SrcInArray[i] = clips[i][0];
        events.SrcOutArray[i] = clips[i][1];
    }
    // Event 5 is timed, but event 4's zero out point ends the sequence before it.
    events.SrcInArray[4] = "00:00:40:00";
    events.SrcOutArray[4] = "00:00:41:00";
    const size_t mark = consoleLines().size();

    QTest::mouseClick(logger->topButton("RevALL"), Qt::LeftButton);
    std::set<std::string> times;
    bool active = false;
    auto runner = std::make_shared<std::atomic<bool>>(false);
    vcr->post([runner] { *runner = true; }); // runs once the sequence has ended
    ASSERT_TRUE(waitFor(
        [&] {
            times.insert(gui->timeField()->text().toStdString());
            active = active || vcr->getscriptactive();
            return runner->load();
        },
        60s))
        << "RevALL did not end";
    EXPECT_TRUE(active) << "the script flag was set while the clips played";
    EXPECT_FALSE(vcr->getscriptactive());
    EXPECT_GE(times.size(), 5u) << "the time display followed the deck";
    EXPECT_EQ(reviewLines(mark), (std::vector<std::string>{"Review EDL Clip 1", "Review EDL Clip 2",
                                                           "Review EDL Clip 3"}));
    // Each review stops the deck, cues to its in point, plays and stops at its out point; the
    // next begins only after that.
    ASSERT_TRUE(trace->waitForCommands(15, 5000));
    const auto cmds = trace->commandBytes();
    const Frames cueFrames = {"24 31 00 10 00 00 65 ", "24 31 00 20 00 00 75 ",
                              "24 31 00 30 00 00 85 "};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE("clip " + std::to_string(i + 1));
        EXPECT_EQ(cmds[5 * i], stopFrame);
        EXPECT_EQ(cmds[5 * i + 1], cueFrames[i]);
        EXPECT_EQ(cmds[5 * i + 3], playFrame);
        EXPECT_EQ(cmds[5 * i + 4], stopFrame);
    }
    EXPECT_EQ(cmds.size(), 15u);
    const auto deck = sim->snapshot();
    EXPECT_GE(deck.frames, ninepin::FramesOf(0, 0, 30, 29));
    // The Stop follows the reading of the out point; a loaded machine has been seen to take
    // more than a second over that reading and the Stop.
    EXPECT_LE(deck.frames, ninepin::FramesOf(0, 0, 33, 0)) << "stopped at the last out point";
    EXPECT_TRUE(fieldsShow("00:00:30:00", "00:00:31:00"));
    // Where and why it ended, below the grid.
    EXPECT_TRUE(waitFor([&] {
        return logger->messageLabel()->text().toStdString() ==
               "RevALL ended at event 004: it has no out point. 3 clips reviewed; 1 clip after it "
               "was not: review each with R or its number.";
    })) << logger->messageLabel()->text().toStdString();
    EXPECT_EQ(logger->reviewedEvent(), -1) << "no row under review once it ended";

    // A fresh log has nothing to review.
    logger->eventList() = EventList::initial();
    trace->clear();
    const size_t again = consoleLines().size();
    QTest::mouseClick(logger->topButton("RevALL"), Qt::LeftButton);
    ASSERT_TRUE(settle());
    EXPECT_TRUE(reviewLines(again).empty());
    EXPECT_TRUE(trace->commandBytes().empty());
    EXPECT_FALSE(vcr->getscriptactive());
}

TEST_F(LoggerWindow, ReviewPlaysTheTopRowsClipAndTheOperatorsStopEndsRevAllAfterItsClip) {
    LoggerGUI* logger = nullptr;
    ASSERT_NO_FATAL_FAILURE(openOnDiskRecorder(logger));
    EventList& events = logger->eventList();
    events.SrcInArray[5] = "00:00:05:00";
    events.SrcOutArray[5] = "00:00:05:20";
    logger->scrollBar()->setValue(5);
    size_t mark = consoleLines().size();
    QTest::mouseClick(logger->topButton("Review"), Qt::LeftButton);
    ASSERT_TRUE(settle());
    EXPECT_EQ(reviewLines(mark), std::vector<std::string>{"Review EDL Clip 6"});
    EXPECT_TRUE(fieldsShow("00:00:05:00", "00:00:05:20"));
    ASSERT_TRUE(trace->waitForCommands(2, 5000));
    EXPECT_EQ(trace->commandBytes()[1], "24 31 00 05 00 00 5A ");
    ASSERT_TRUE(waitFor(
        [&] {
            auto r = vcr->cuethread();
            return r && r->finished();
        },
        15s));

    // A long first clip: the operator's Stop ends the sequence there and stops the deck.
    events = EventList::initial();
    events.SrcInArray[0] = "00:00:10:00";
    events.SrcOutArray[0] = "00:01:00:00";
    events.SrcInArray[1] = "00:00:20:00";
    events.SrcOutArray[1] = "00:00:21:00";
    trace->clear();
    mark = consoleLines().size();
    QTest::mouseClick(logger->topButton("RevALL"), Qt::LeftButton);
    ASSERT_TRUE(waitFor(
        [&] {
            const auto c = trace->commandBytes();
            return std::find(c.begin(), c.end(), playFrame) != c.end();
        },
        15s))
        << "the first clip did not play";
    QTest::mouseClick(gui->button("Stop *"), Qt::LeftButton);
    ASSERT_TRUE(settle());
    const auto lines = consoleSince(mark);
    EXPECT_EQ(reviewLines(mark), std::vector<std::string>{"Review EDL Clip 1"});
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Script stopped by the operator"), lines.end());
    EXPECT_FALSE(vcr->getscriptactive());
    ASSERT_TRUE(waitFor([&] { return sim->snapshot().mode == DeckModel::Mode::Stop; }));
    EXPECT_LT(sim->snapshot().frames, ninepin::FramesOf(0, 0, 40, 0)) << "stopped long before";
}

TEST_F(LoggerWindow, SaveAndLoadGoThroughTheFileDialogAndLoadingShowsEventOne) {
    start();
    TempDir dir;
    LoggerGUI* logger = openLogger();
    ASSERT_NE(logger, nullptr);
    EventList& events = logger->eventList();
    events.SrcInArray[0] = "00:00:10:00";
    events.SrcOutArray[0] = "00:00:20:00";

    // Cancelled: nothing is written. A first save is offered as CMX 3600, which keeps names.
    QTest::mouseClick(logger->topButton("Save EDL"), Qt::LeftButton);
    EXPECT_EQ(dialogs, std::vector<std::string>{"Save Standard EDL (save)"});
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].format, ListFormat::Cmx3600);
    EXPECT_EQ(requests[0].name, "edl.edl");
    EXPECT_EQ(requests[0].directory, "");
    EXPECT_TRUE(fs::is_empty(dir.path));
    EXPECT_TRUE(logger->changed());

    chosen = LoggerGUI::ChosenFile{dir.file("log.txt"), "log.txt", ListFormat::Standard};
    QTest::mouseClick(logger->topButton("Save EDL"), Qt::LeftButton);
    EXPECT_EQ(readBytes(dir.file("log.txt")),
              "TITLE: log.txt \r\nREM Made by  KOLB \r\nFCM: NON-DROP FRAME \r\n"
              "001  Name01    AA/V  C        00:00:10:00 00:00:20:00 01:00:00:00 01:00:10:00 \r\n");
    EXPECT_FALSE(logger->changed());
    // The next dialog opens where the last list went, in its format.
    EXPECT_EQ(requests.back().format, ListFormat::Cmx3600);

    // A name ending in .edl is a CMX 3600 list whatever the filter.
    chosen = LoggerGUI::ChosenFile{dir.file("A007.edl"), "A007.edl", ListFormat::Standard};
    QTest::mouseClick(logger->topButton("Save EDL"), Qt::LeftButton);
    EXPECT_EQ(requests.back().format, ListFormat::Standard) << "the last format used";
    EXPECT_EQ(requests.back().directory, dir.path.string());
    EXPECT_EQ(readBytes(dir.file("A007.edl")),
              "TITLE: A007.edl\r\nFCM: NON-DROP FRAME\r\n\r\n"
              "001  AX       AA/V  C        00:00:10:00 00:00:20:00 01:00:00:00 01:00:10:00\r\n"
              "* FROM CLIP NAME: Name01\r\n");

    // Loading from row 30: the grid and the scroll bar go to the first event without an out
    // point, and the events past the file's are a fresh log's.
    writeBytes(
        dir.file("in.txt"),
        "TITLE: in.txt \r\nREM Made by  KOLB \r\nFCM: NON-DROP FRAME \r\n"
        "001  Intro     AA/V  C        00:01:00:00 00:01:10:00 01:00:00:00 01:00:10:00 \r\n"
        "002  Talk      AA/V  C        00:02:00:00 00:02:05:00 01:00:10:00 01:00:15:00 \r\n");
    logger->scrollBar()->setValue(30);
    events.ClipNameArray[2] = "Kept";
    answer = LoggerGUI::CloseChoice::Discard; // the changes not saved are asked about first
    dialogs.clear();
    chosen = LoggerGUI::ChosenFile{dir.file("in.txt"), "in.txt", ListFormat::Standard};
    QTest::mouseClick(logger->topButton("Load EDL"), Qt::LeftButton);
    EXPECT_EQ(dialogs, std::vector<std::string>{"Load Standard EDL (load)"});
    ASSERT_TRUE(waitFor([&] { return !logger->loading(); }));
    EXPECT_EQ(logger->scrollBar()->value(), 2);
    EXPECT_EQ(logger->top(), 2);
    EXPECT_EQ(logger->loggingOffset(), 0);
    EXPECT_EQ(events.ClipNameArray[0], "Intro");
    EXPECT_EQ(events.SrcInArray[1], "00:02:00:00");
    EXPECT_EQ(events.SrcOutArray[1], "00:02:05:00");
    EXPECT_EQ(text(logger->field(0, Name)), "Name03") << "a fresh event past the file's";
    EXPECT_FALSE(logger->changed());

    // ">" in row 0 now writes event 3, the one row 0 shows.
    QTest::mouseClick(logger->inButton(0), Qt::LeftButton);
    EXPECT_EQ(events.SrcInArray[2], gui->texts().time());
}

TEST_F(LoggerWindow, ClosingWithChangesAsksAndCancelKeepsTheLoggerOpen) {
    start();
    TempDir dir;
    LoggerGUI* logger = openLogger();
    ASSERT_NE(logger, nullptr);
    ASSERT_NO_FATAL_FAILURE(showDeckAt(ninepin::FramesOf(0, 0, 7, 0), "00:00:07:00"));
    QTest::mouseClick(logger->outButton(0), Qt::LeftButton);

    answer = LoggerGUI::CloseChoice::Cancel;
    logger->close();
    EXPECT_EQ(questions, 1);
    EXPECT_TRUE(logger->isVisible());
    EXPECT_FALSE(loggerButtonEnabled());

    // Save, but the dialog is cancelled: still open, nothing lost.
    answer = LoggerGUI::CloseChoice::Save;
    logger->close();
    EXPECT_EQ(questions, 2);
    EXPECT_TRUE(logger->isVisible());

    // Save to a file: written, then closed.
    chosen = LoggerGUI::ChosenFile{dir.file("kept.txt"), "kept.txt", ListFormat::Standard};
    logger->close();
    EXPECT_FALSE(logger->isVisible());
    EXPECT_TRUE(loggerButtonEnabled());
    EXPECT_NE(
        readBytes(dir.file("kept.txt")).find("00:00:00:00 00:00:07:00 01:00:00:00 01:00:00:00"),
        std::string::npos)
        << "saved anyway, an event with no in point adds no record time";
    EXPECT_EQ(asked.size(), 2u) << "the question before each save";

    // Discard closes without saving.
    logger = openLogger();
    ASSERT_NE(logger, nullptr);
    QTest::mouseClick(logger->inButton(0), Qt::LeftButton);
    answer = LoggerGUI::CloseChoice::Discard;
    chosen = LoggerGUI::ChosenFile{dir.file("never.txt"), "never.txt", ListFormat::Standard};
    logger->close();
    EXPECT_EQ(questions, 4);
    EXPECT_FALSE(logger->isVisible());
    EXPECT_FALSE(fs::exists(dir.file("never.txt")));
}

TEST_F(LoggerWindow, MarksFromAnotherThreadFillEventsInTurnAndKeepTheNextInView) {
    start();
    // No logger yet: a mark does nothing.
    std::thread([this] { vcr->setin(); }).join();
    EXPECT_FALSE(vcr->hasLogger());
    LoggerGUI* logger = openLogger();
    ASSERT_NE(logger, nullptr);
    EXPECT_TRUE(vcr->hasLogger());
    const size_t mark = consoleLines().size();

    auto markPair = [this] {
        std::thread([this] {
            vcr->setin();
            vcr->setout();
        }).join();
    };
    for (int i = 0; i < 3; ++i) {
        const std::string shown = "00:00:" + twoDigits(10 + i) + ":00";
        ASSERT_NO_FATAL_FAILURE(showDeckAt(ninepin::FramesOf(0, 0, 10 + i, 0), shown));
        markPair();
        ASSERT_TRUE(waitFor([&] { return logger->loggingOffset() == i + 1; }));
    }
    EXPECT_EQ(logger->top(), 0);
    EXPECT_EQ(logger->loggingOffset(), 3);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE("event " + std::to_string(i + 1));
        EXPECT_EQ(logger->eventList().SrcInArray[i], "00:00:" + twoDigits(10 + i) + ":00");
        EXPECT_EQ(text(logger->field(i, In)), "00:00:" + twoDigits(10 + i) + ":00");
        EXPECT_EQ(text(logger->field(i, Out)), "00:00:" + twoDigits(10 + i) + ":00");
    }
    // The deck stood between each in and out: every clip is logged, and said to have no length.
    std::vector<std::string> said;
    for (int i = 0; i < 3; ++i) {
        said.push_back(std::to_string(i));
        said.push_back("The clip of event 00" + std::to_string(i + 1) +
                       " has no length: its in and out are both 00:00:" + twoDigits(10 + i) +
                       ":00 (the deck stood). Play the deck, then mark the out again.");
    }
    EXPECT_EQ(consoleSince(mark), said);
    EXPECT_EQ(logger->totalsLabel()->text().toStdString(),
              "Clips: 0   Total: 00:00:00:00   No length: 3   Top row: 00:00:00:00");
    logger->scrollBar()->setValue(4);
    EXPECT_EQ(logger->loggingOffset(), 0) << "moving the grid moves the logging position";
    logger->scrollBar()->setValue(0);

    // The marks pass the logged events 1 to 3; past the last row the grid scrolls, so the next
    // event to log stays in view.
    for (int i = 0; i < 22; ++i) markPair();
    ASSERT_TRUE(waitFor([&] { return logger->top() + logger->loggingOffset() == 25; }));
    EXPECT_EQ(logger->eventList().SrcInArray[0], "00:00:10:00") << "event 1 kept";
    EXPECT_EQ(logger->top(), 6);
    EXPECT_EQ(logger->loggingOffset(), 19);
    EXPECT_EQ(logger->scrollBar()->value(), 6);
    EXPECT_EQ(logger->numberButton(18)->text().toStdString(), "025");
    EXPECT_EQ(text(logger->field(18, Out)), "00:00:12:00") << "event 25 shown with its mark";

    // A closed logger still takes the marks.
    logger->eventList().SrcOutArray[30] = "x";
    answer = LoggerGUI::CloseChoice::Discard;
    logger->close();
    std::thread([this] { vcr->setin(); }).join();
    EXPECT_TRUE(waitFor([&] { return logger->eventList().SrcInArray[25] == "00:00:12:00"; }));
}

TEST_F(LoggerWindow, IAndOLogEventsInTurnCtrlSAndCtrlOGoToTheFilesAndTheDeckKeysDriveTheDeck) {
    start();
    TempDir dir;
    LoggerGUI* logger = openLogger();
    ASSERT_NE(logger, nullptr);
    // A button has the focus: the keys are the logger's.
    QWidget* target = logger->cueButton(5);
    target->setFocus();
    ASSERT_EQ(logger->focusWidget(), target);
    trace->clear();

    // Events 1 to 22 from the deck's times, the in at a second, the out 15 frames on.
    for (int i = 0; i < 22; ++i) {
        SCOPED_TRACE("event " + std::to_string(i + 1));
        const std::string in = "00:00:" + twoDigits(10 + i) + ":00";
        const std::string out = "00:00:" + twoDigits(10 + i) + ":15";
        ASSERT_NO_FATAL_FAILURE(showDeckAt(ninepin::FramesOf(0, 0, 10 + i, 0), in));
        QTest::keyClick(target, Qt::Key_I);
        ASSERT_NO_FATAL_FAILURE(showDeckAt(ninepin::FramesOf(0, 0, 10 + i, 15), out));
        QTest::keyClick(target, Qt::Key_O);
        EXPECT_EQ(logger->eventList().SrcInArray[i], in);
        EXPECT_EQ(logger->eventList().SrcOutArray[i], out);
        if (i == 2) {
            // Events 1 to 3 on the grid, the logging position on the fourth row.
            EXPECT_EQ(logger->top(), 0);
            EXPECT_EQ(logger->loggingOffset(), 3);
            for (int r = 0; r < 3; ++r) {
                EXPECT_EQ(text(logger->field(r, In)), "00:00:" + twoDigits(10 + r) + ":00");
                EXPECT_EQ(text(logger->field(r, Out)), "00:00:" + twoDigits(10 + r) + ":15");
            }
        }
    }
    // Past row 20 the grid scrolls so the next event to log stays in view.
    EXPECT_EQ(logger->top(), 3);
    EXPECT_EQ(logger->scrollBar()->value(), 3);
    EXPECT_EQ(logger->loggingOffset(), 19);
    EXPECT_EQ(logger->numberButton(18)->text().toStdString(), "022");
    EXPECT_EQ(text(logger->field(18, Out)), "00:00:31:15");
    EXPECT_EQ(text(gui->inField()), "00:00:00:00") << "the main window's points stay";
    EXPECT_TRUE(trace->commandBytes().empty()) << "logging sends nothing";

    // Ctrl+S and Ctrl+O: the same dialogs and files as the buttons. Ctrl+Shift+S is not one.
    chosen = LoggerGUI::ChosenFile{dir.file("keys.txt"), "keys.txt", ListFormat::Standard};
    QTest::keyClick(target, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(dialogs.empty());
    QTest::keyClick(target, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(dialogs, std::vector<std::string>{"Save Standard EDL (save)"});
    const std::string saved = readBytes(dir.file("keys.txt"));
    EXPECT_NE(saved.find("001  Name01    AA/V  C        00:00:10:00 00:00:10:15 01:00:00:00 "
                         "01:00:00:15 \r\n"),
              std::string::npos)
        << saved;
    EXPECT_NE(saved.find("\r\n022  Name22 "), std::string::npos);
    EXPECT_FALSE(logger->changed());
    logger->eventList().SrcInArray[0] = "00:09:00:00";
    answer = LoggerGUI::CloseChoice::Discard;
    QTest::keyClick(target, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(dialogs.back(), "Load Standard EDL (load)");
    ASSERT_TRUE(waitFor([&] { return !logger->loading(); }));
    EXPECT_EQ(logger->eventList().SrcInArray[0], "00:00:10:00");
    EXPECT_EQ(logger->top(), 22) << "the first event without an out point";

    // The deck's keys act from the logger as from the main window.
    trace->clear();
    QTest::keyClick(target, Qt::Key_L);
    ASSERT_TRUE(settle());
    EXPECT_EQ(commandsAfter(1), Frames{"21 13 40 74 "});
    EXPECT_TRUE(waitFor([&] { return gui->shuttleBar()->value() == 80; }));
    trace->clear();
    QTest::keyClick(target, Qt::Key_J);
    QTest::keyClick(target, Qt::Key_J);
    QTest::keyClick(target, Qt::Key_K);
    QTest::keyClick(target, Qt::Key_Left);
    QTest::keyClick(target, Qt::Key_Escape);
    ASSERT_TRUE(settle());
    EXPECT_EQ(commandsAfter(6), (Frames{"21 13 00 34 ", "21 23 40 84 ", "21 13 00 34 ",
                                        "21 21 10 52 ", stopFrame, stopFrame}));

    // In the top row's name field, typed keys are the name's.
    QLineEdit* name = logger->field(0, Name);
    name->setFocus();
    trace->clear();
    name->selectAll();
    QTest::keyClicks(name, "Jolio ok");
    QTest::keyClick(name, Qt::Key_Return);
    ASSERT_TRUE(settle());
    EXPECT_EQ(logger->eventList().ClipNameArray[22], "Jolio ok");
    EXPECT_EQ(logger->loggingOffset(), 0);
    EXPECT_EQ(logger->eventList().SrcInArray[22], "00:00:00:00");
    EXPECT_TRUE(trace->commandBytes().empty());
}

TEST_F(LoggerWindow, TheFileDialogOpensInTheWorkingDirectoryOnCmx3600AndItsFilterChoosesTheLayout) {
    start();
    TempDir dir;
    gui->setLoggerSetup({}); // the real dialogs
    // Start-up enables the button through the window's queue.
    ASSERT_TRUE(waitFor([this] { return gui->loggerButton()->isEnabled(); }, 10s));
    QTest::mouseClick(gui->loggerButton(), Qt::LeftButton);
    LoggerGUI* logger = gui->logger();
    ASSERT_NE(logger, nullptr);
    logger->setQuestionAsker(
        [](const std::string&, const std::string&, const std::string&) { return true; });
    logger->eventList().SrcOutArray[0] = "00:00:01:00";
    // What the dialog shows, and then what the operator does in it, while it runs modal.
    struct Seen {
        std::string title, directory, file, filter;
        QStringList filters;
        bool save = false;
    };
    auto operate = [](Seen& seen, std::function<void(QFileDialog*)> act) {
        auto timer = std::make_unique<QTimer>();
        QObject::connect(timer.get(), &QTimer::timeout, [&seen, act, t = timer.get()] {
            QFileDialog* fd = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) fd = d;
            if (fd == nullptr) return;
            t->stop();
            seen.title = fd->windowTitle().toStdString();
            seen.directory = fd->directory().absolutePath().toStdString();
            const QStringList files = fd->selectedFiles();
            seen.file = files.isEmpty() ? "" : QFileInfo(files.first()).fileName().toStdString();
            seen.filters = fd->nameFilters();
            seen.filter = fd->selectedNameFilter().toStdString();
            seen.save = fd->acceptMode() == QFileDialog::AcceptSave;
            act(fd);
        });
        timer->start(20);
        return timer;
    };

    Seen save;
    {
        auto timer = operate(save, [&](QFileDialog* fd) {
            fd->selectNameFilter("CMX 3600 EDL (*.edl)");
            fd->setDirectory(QString::fromStdString(dir.path.string()));
            static_cast<QDialog*>(fd)->accept(); // as the Save button does
        });
        QTest::mouseClick(logger->topButton("Save EDL"), Qt::LeftButton);
    }
    EXPECT_EQ(save.title, "Save Standard EDL");
    EXPECT_TRUE(save.save);
    EXPECT_EQ(save.directory, fs::current_path().string());
    EXPECT_EQ(save.file, "edl.edl");
    EXPECT_EQ(save.filter, "CMX 3600 EDL (*.edl)") << "a first save keeps names whole";
    EXPECT_EQ(save.filters, (QStringList{"Standard EDL (*)", "CMX 3600 EDL (*.edl)",
                                         "Avid ALE (*.ale)", "CSV (*.csv)"}));
    // The dialog names the file after its filter; whatever the name, it holds a CMX 3600 list.
    std::vector<fs::path> saved(fs::directory_iterator(dir.path), {});
    ASSERT_EQ(saved.size(), 1u);
    const std::string name = saved[0].filename().string();
    EXPECT_TRUE(readBytes(saved[0].string())
                    .starts_with("TITLE: " + name + "\r\nFCM: NON-DROP FRAME\r\n\r\n001  "))
        << name << ": " << readBytes(saved[0].string());

    Seen load;
    {
        auto timer = operate(load, [](QFileDialog* fd) { fd->reject(); });
        QTest::mouseClick(logger->topButton("Load EDL"), Qt::LeftButton);
    }
    EXPECT_EQ(load.title, "Load Standard EDL");
    EXPECT_FALSE(load.save);
    EXPECT_EQ(load.directory, dir.path.string()) << "where the last list was saved";
    EXPECT_EQ(logger->eventList().SrcOutArray[0], "00:00:01:00") << "cancelled: nothing loaded";

    // The ALE and CSV filters write their formats into a file of any name.
    const struct {
        const char* filter;
        std::string starts;
    } formats[] = {{"Avid ALE (*.ale)", "Heading\r\nFIELD_DELIM\tTABS\r\n"},
                   {"CSV (*.csv)", "Event,Name,Tape,In,Out,Duration,Rate,Notes,Good\r\n"}};
    for (const auto& format : formats) {
        TempDir other;
        Seen seen;
        {
            const QString filter = format.filter;
            const QString folder = QString::fromStdString(other.path.string());
            auto timer = operate(seen, [filter, folder](QFileDialog* fd) {
                fd->selectNameFilter(filter);
                fd->setDirectory(folder);
                // Typed after the filter renamed the file: a name of no format.
                if (auto* typed = fd->findChild<QLineEdit*>("fileNameEdit"))
                    typed->setText("list.txt");
                static_cast<QDialog*>(fd)->accept();
            });
            QTest::mouseClick(logger->topButton("Save EDL"), Qt::LeftButton);
        }
        std::vector<fs::path> written(fs::directory_iterator(other.path), {});
        ASSERT_EQ(written.size(), 1u) << format.filter;
        EXPECT_EQ(written[0].filename(), "list.txt");
        EXPECT_TRUE(readBytes(written[0].string()).starts_with(format.starts))
            << format.filter << ": " << readBytes(written[0].string());
    }
}

// Lists that editing systems and spreadsheets write, loaded through the real file dialog: the
// grid holds the clips an independent reader finds in each (as kolb-list converts them), and the
// strip says what the load could not take as it was.
TEST_F(LoggerWindow, ListsOtherSystemsWroteLoadThroughTheDialogAsAnIndependentReaderReadsThem) {
    start();
    gui->setLoggerSetup({}); // the real dialogs
    ASSERT_TRUE(waitFor([this] { return gui->loggerButton()->isEnabled(); }, 10s));
    QTest::mouseClick(gui->loggerButton(), Qt::LeftButton);
    LoggerGUI* logger = gui->logger();
    ASSERT_NE(logger, nullptr);
    // A failed load's message box, which would wait for a click; kept as long as the logger.
    auto boxes = std::make_shared<std::vector<std::string>>();
    logger->setMessageShower([boxes](const std::string& message) { boxes->push_back(message); });
    // A CMX list of 101 clips, one more than a log holds.
    TempDir made;
    std::string many = "TITLE: MANY\r\nFCM: NON-DROP FRAME\r\n";
    for (int i = 1; i <= 101; ++i)
        many += EditNumberText(i) + "  R1       V     C        " + timecode::TimeText(30 * i) +
                " " + timecode::TimeText(30 * i + 30) + " 01:00:00:00 01:00:01:00\r\n";
    writeBytes(made.file("many.edl"), many);
    // A name longer than a line is read.
    writeBytes(made.file("long.edl"),
               "TITLE: LONG\r\n001  R1       V     C        00:00:01:00 00:00:02:00 01:00:00:00 "
               "01:00:01:00\r\n* FROM CLIP NAME: " +
                   std::string(5000, 'n') + "\r\n");
    const struct {
        const char* file;
        std::string said; // the strip's message after the load
        fs::path folder = KOLB_LIST_DATA;
    } rows[] = {
        {"many.edl",
         "Loaded 100 events from many.edl; the list holds more than 100 clips, and the rest were "
         "not loaded.",
         made.path},
        {"long.edl", "Loaded 1 event from long.edl; 1 lines cut at 4096 characters (see the log).",
         made.path},
        {"six_digit_32_reels.edl", "Loaded 4 events from six_digit_32_reels.edl."},
        {"four_digit_audio_wipe.edl", "Loaded 4 events from four_digit_audio_wipe.edl."},
        {"drop_frame_key_long_reel.edl", "Loaded 4 events from drop_frame_key_long_reel.edl."},
        {"spreadsheet_semicolon_bom.csv",
         "Loaded 3 events from spreadsheet_semicolon_bom.csv; 1 lines skipped (see the log)."},
        {"tab_separated_23976.csv",
         "Loaded 3 events from tab_separated_23976.csv; it counts at 23.976 frames a second, "
         "which KOLB does not: its times are kept as written, not converted to 30."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        const QString folder = QString::fromStdString(row.folder.string());
        const QString file = row.file;
        auto timer = std::make_unique<QTimer>();
        QObject::connect(timer.get(), &QTimer::timeout, [folder, file, t = timer.get()] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* fd = qobject_cast<QFileDialog*>(w); fd && fd->isVisible()) {
                    t->stop();
                    fd->setDirectory(folder);
                    if (auto* typed = fd->findChild<QLineEdit*>("fileNameEdit"))
                        typed->setText(file);
                    static_cast<QDialog*>(fd)->accept(); // as the Open button does
                }
        });
        timer->start(20);
        QTest::mouseClick(logger->topButton("Load EDL"), Qt::LeftButton);
        timer.reset();
        ASSERT_TRUE(waitFor([&] { return !logger->loading(); }, 10s));
        EXPECT_EQ(logger->messageLabel()->text().toStdString(), row.said);
        EXPECT_EQ(*boxes, std::vector<std::string>{});
        boxes->clear();
        logger->scrollBar()->setValue(0);
        const std::vector<ListClip> expected = ExpectedClips(ExpectedFileOf(row.folder / row.file));
        for (std::size_t r = 0; r < expected.size(); ++r) {
            const ListClip shown{text(logger->field(static_cast<int>(r), Name)),
                                 text(logger->field(static_cast<int>(r), Tape)),
                                 text(logger->field(static_cast<int>(r), In)),
                                 text(logger->field(static_cast<int>(r), Out))};
            EXPECT_EQ(shown, expected[r])
                << "row " << r << ": " << ListClipText(shown) << ", the independent reader "
                << ListClipText(expected[r]);
        }
        if (!expected.empty()) {
            EXPECT_EQ(text(logger->field(static_cast<int>(expected.size()), Out)), "00:00:00:00")
                << "the row after the list's last clip is a fresh event";
        }
    }
}

// The format a save writes: a typed ".ale" or ".csv" wins over the filter, every other name
// follows it. A CMX list's record times start at RecordStart, or at 01:00:00:00 with the strip
// saying why where RecordStart is no timecode at the list's rate; a list loaded shows its tape.
TEST_F(LoggerWindow, ATypedAleOrCsvWinsOverTheFilterAndRecordStartStartsCmxLists) {
    Settings settings;
    settings.RecordStart = "02:00:00:29";
    start(settings);
    TempDir dir;
    LoggerGUI* logger = openLogger();
    ASSERT_NE(logger, nullptr);
    EventList& events = logger->eventList();
    events.ClipNameArray[0] = "Pier, \"east\"";
    events.SrcInArray[0] = "00:00:10:00";
    events.SrcOutArray[0] = "00:00:20:00";
    const struct {
        std::string file;
        ListFormat filter;
        std::string starts; // what the file starts with
    } rows[] = {
        {"list.ale", ListFormat::Csv, "Heading\r\nFIELD_DELIM\tTABS\r\n"},
        {"LIST.CSV", ListFormat::Standard,
         "Event,Name,Tape,In,Out,Duration,Rate,Notes,Good\r\n001,\"Pier,"},
        {"list.csv.edl", ListFormat::Ale, "TITLE: list.csv.edl\r\n"},
        {"list.edl", ListFormat::Cmx3600,
         "TITLE: list.edl\r\nFCM: NON-DROP FRAME\r\n\r\n001  AX       AA/V  C        "
         "00:00:10:00 00:00:20:00 02:00:00:29 02:00:10:29\r\n"},
    };
    for (const auto& row : rows) {
        chosen = LoggerGUI::ChosenFile{dir.file(row.file), row.file, row.filter};
        QTest::mouseClick(logger->topButton("Save EDL"), Qt::LeftButton);
        EXPECT_EQ(logger->messageLabel()->text().toStdString(),
                  "Saved 1 event to " + row.file + ".");
        EXPECT_TRUE(readBytes(dir.file(row.file)).starts_with(row.starts)) << row.file;
    }

    // A list at 25, where RecordStart's frames 29 are no timecode.
    writeBytes(dir.file("pal.csv"), "Name,In,Out,Rate,Tape\nGull,00:00:01:00,00:00:02:00,25,\n"
                                    "Gate,00:00:10:00,00:00:20:00,25,R 9\n");
    chosen = LoggerGUI::ChosenFile{dir.file("pal.csv"), "pal.csv", ListFormat::Standard};
    QTest::mouseClick(logger->topButton("Load EDL"), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !logger->loading(); }));
    EXPECT_EQ(logger->tapeField()->text().toStdString(), "R 9");
    EXPECT_EQ(logger->eventList().TapeArray[0], "") << "a clip loaded with no tape keeps none";
    chosen = LoggerGUI::ChosenFile{dir.file("pal.edl"), "pal.edl", ListFormat::Cmx3600};
    QTest::mouseClick(logger->topButton("Save EDL"), Qt::LeftButton);
    EXPECT_EQ(logger->messageLabel()->text().toStdString(),
              "Saved 2 events to pal.edl; RecordStart 02:00:00:29 is not a timecode at the rate "
              "25, so record times start at 01:00:00:00.");
    EXPECT_EQ(readBytes(dir.file("pal.edl")),
              "TITLE: R 9\r\nFCM: NON-DROP FRAME\r\n\r\n"
              "001  AX       AA/V  C        00:00:01:00 00:00:02:00 01:00:00:00 01:00:01:00\r\n"
              "* FROM CLIP NAME: Gull\r\n"
              "002  R_9      AA/V  C        00:00:10:00 00:00:20:00 01:00:01:00 01:00:11:00\r\n"
              "* FROM CLIP NAME: Gate\r\n* TAPE: R 9\r\n");
}

TEST_F(LoggerWindow, TheSecondPortsMarkPairsFillTheFirstEventsOfTheOpenLogger) {
    Pty zam;
    Settings s;
    s.zam = true;
    s.comport2 = zam.slavePath();
    start(s);
    LoggerGUI* logger = openLogger();
    ASSERT_NE(logger, nullptr);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE("event " + std::to_string(i + 1));
        const std::string in = "00:01:" + twoDigits(10 * i) + ":00";
        const std::string out = "00:01:" + twoDigits(10 * i + 5) + ":00";
        ASSERT_NO_FATAL_FAILURE(showDeckAt(ninepin::FramesOf(0, 1, 10 * i, 0), in));
        zam.write({0x80, 0x40});
        ASSERT_TRUE(waitFor([&] { return logger->eventList().SrcInArray[i] == in; }));
        ASSERT_NO_FATAL_FAILURE(showDeckAt(ninepin::FramesOf(0, 1, 10 * i + 5, 0), out));
        zam.write({0x80, 0x41});
        ASSERT_TRUE(waitFor([&] { return logger->eventList().SrcOutArray[i] == out; }));
        EXPECT_EQ(text(logger->field(i, In)), in);
        EXPECT_EQ(text(logger->field(i, Out)), out);
    }
    EXPECT_EQ(logger->loggingOffset(), 3);
    EXPECT_EQ(logger->eventList().SrcOutArray[3], "00:00:00:00");
}

// Everything that reaches the controller from outside at once: RevALL reviewing, a TCP client
// asking for the time and status all along, the second port sending marks, and then a
// script, with the client and the marks still coming. The sanitizer builds run this too.
TEST_F(LoggerWindow, RevAllAScriptTheNetworkAndTheSecondPortRunTogether) {
    Pty zam;
    Settings s = diskRecorder();
    s.zam = true;
    s.comport2 = zam.slavePath();
    s.netserver = true;
    s.netport = 0;
    DeckSim::Options opts;
    opts.deck.seekMs = 100;
    start(s, opts);
    LoggerGUI* logger = openLogger();
    ASSERT_NE(logger, nullptr);
    for (int i = 0; i < 3; ++i) {
        logger->eventList().SrcInArray[i] = "00:00:" + twoDigits(10 * (i + 1)) + ":00";
        logger->eventList().SrcOutArray[i] = "00:00:" + twoDigits(10 * (i + 1)) + ":20";
    }
    Client client(vcr->serverPort());
    ASSERT_TRUE(client.connected);
    ASSERT_TRUE(client.line().has_value()) << "no greeting";

    // The client and the second port run on threads of their own until this ends, however the
    // test ends.
    struct Outside {
        std::atomic<bool> stop{false};
        std::atomic<int> replies{0};
        std::atomic<int> marks{0};
        std::thread asking, marking;
        ~Outside() {
            stop = true;
            if (asking.joinable()) asking.join();
            if (marking.joinable()) marking.join();
        }
    } outside;
    outside.asking = std::thread([&] {
        while (!outside.stop) {
            if (!client.send("GetTC\nStatus\n") || !client.line() || !client.line()) return;
            outside.replies += 2;
            std::this_thread::sleep_for(20ms); // a client polling as fast as a window updates
        }
    });
    outside.marking = std::thread([&] {
        for (std::uint8_t code = 0x40; !outside.stop; code ^= 1) {
            zam.write({0x80, code}); // mark in, then mark out
            ++outside.marks;
            std::this_thread::sleep_for(200ms);
        }
    });

    const size_t mark = consoleLines().size();
    QTest::mouseClick(logger->topButton("RevALL"), Qt::LeftButton);
    auto ended = std::make_shared<std::atomic<bool>>(false);
    vcr->post([ended] { *ended = true; }); // runs once the sequence has ended
    ASSERT_TRUE(waitFor([&] { return ended->load(); }, 90s)) << "RevALL did not end";
    EXPECT_FALSE(reviewLines(mark).empty());

    char name[] = "/tmp/kolb-together-XXXXXX";
    ASSERT_NE(::mkdtemp(name), nullptr);
    const fs::path previous = fs::current_path();
    fs::current_path(name);
    writeBytes("Script.txt", "Play\nWait1\nStatus\nStop\n");
    const size_t scriptMark = consoleLines().size();
    QTest::mouseClick(gui->button("SCRIPT"), Qt::LeftButton);
    const bool scriptEnded = waitFor(
        [&] {
            const auto since = consoleSince(scriptMark);
            return std::find(since.begin(), since.end(), "Script ended") != since.end();
        },
        30s);
    std::error_code ignored;
    fs::current_path(previous, ignored);
    fs::remove_all(name, ignored);
    EXPECT_TRUE(scriptEnded) << "the script did not end";
    const auto since = consoleSince(scriptMark);
    EXPECT_NE(std::find(since.begin(), since.end(), "Found Script.txt File"), since.end());

    // The client was answered all along, and the second port's marks reached the logger.
    const int before = outside.replies;
    EXPECT_TRUE(waitFor([&] { return outside.replies >= before + 4; }, 10s));
    EXPECT_TRUE(waitFor([&] { return logger->loggingOffset() >= 1; }, 10s))
        << outside.marks << " marks sent";
    EXPECT_GE(outside.replies, 10);
}

namespace {
// The event lines of a saved list, each without its line end.
std::vector<std::string> listLines(const std::string& bytes) {
    std::vector<std::string> out;
    std::istringstream in(bytes);
    for (std::string line; std::getline(in, line);)
        if (line.size() > 60 || line.starts_with("* "))
            out.push_back(line.substr(0, line.find('\r')));
    return out;
}

// Types text as the keyboard does, letters beyond ASCII too.
void typeText(QWidget* field, const QString& text) {
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// A fresh log with its first events named and timed.
EventList logOf(const std::vector<std::array<std::string, 3>>& clips) {
    EventList events = EventList::initial();
    for (std::size_t i = 0; i < clips.size(); ++i) {
        events.ClipNameArray[i] = clips[i][0];
        events.SrcInArray[i] = clips[i][1];
        events.SrcOutArray[i] = clips[i][2];
    }
    return events;
}
} // namespace

// As an editor logs: marks from the keys and the second port, names typed into the top row, a
// click and letters typed into fields that cannot be edited, in both windows.
TEST_F(LoggerWindow, NoMarkOrTypedKeyLandsOnALoggedClipOrMovesTheDeck) {
    start();
    TempDir dir;
    LoggerGUI* logger = openLogger();
    ASSERT_NE(logger, nullptr);
    QWidget* button = logger->cueButton(10);
    auto mark = [&](int second, Qt::Key key) {
        const std::string t = "00:00:" + twoDigits(second) + ":00";
        ASSERT_NO_FATAL_FAILURE(showDeckAt(ninepin::FramesOf(0, 0, second, 0), t));
        button->setFocus();
        QTest::keyClick(button, key);
    };
    auto typeName = [&](const QString& name, bool enter) {
        QLineEdit* f = logger->field(0, Name);
        f->setFocus();
        f->selectAll();
        typeText(f, name);
        if (enter) QTest::keyClick(f, Qt::Key_Return);
    };
    for (int i = 0; i < 4; ++i) {
        ASSERT_NO_FATAL_FAILURE(mark(10 + 2 * i, Qt::Key_I));
        ASSERT_NO_FATAL_FAILURE(mark(11 + 2 * i, Qt::Key_O));
    }
    // A click on a field that cannot be edited, then a name typed there: nothing is logged and
    // the deck does not move (o would mark an out, l would shuttle).
    const EventList before = logger->eventList();
    trace->clear();
    for (QLineEdit* f : {logger->field(2, Name), logger->field(5, In), gui->statusField()}) {
        QTest::mouseClick(f, Qt::LeftButton);
        QTest::keyClicks(f, "Broll");
    }
    ASSERT_TRUE(settle());
    ASSERT_TRUE(waitForStatusReads(1));
    EXPECT_TRUE(trace->commandBytes().empty());
    EXPECT_EQ(logger->eventList(), before);

    // Scrolled to name event 4, which holds a clip: I and O log event 5, and a mark from the
    // second port event 6. The top row shows event 4 still, with the name stored on leaving it.
    logger->scrollBar()->setValue(3);
    typeName("Harbour", false);
    ASSERT_NO_FATAL_FAILURE(mark(30, Qt::Key_I));
    ASSERT_NO_FATAL_FAILURE(mark(31, Qt::Key_O));
    logger->scrollBar()->setValue(0);
    std::thread([this] { vcr->setin(); }).join();
    ASSERT_TRUE(waitFor([&] { return logger->eventList().SrcInArray[5] == "00:00:31:00"; }));
    EXPECT_EQ(logger->nextLabel()->text().toStdString(), "Next: 006");
    EXPECT_EQ(logger->field(5, In)->palette().color(QPalette::Base), QColor(255, 236, 150))
        << "the row being logged stands out";
    typeName(QString::fromUtf8("Café 東京 take 2"), true);

    chosen = LoggerGUI::ChosenFile{dir.file("log.txt"), "log.txt", ListFormat::Standard};
    answerYes = true; // event 6 has no out point
    QTest::mouseClick(logger->topButton("Save EDL"), Qt::LeftButton);
    ASSERT_EQ(asked.size(), 2u) << "the events with no clip, then the names the list cuts";
    EXPECT_NE(asked[0].find("Event 006"), std::string::npos) << asked[0];
    EXPECT_NE(asked[1].find("Event 004: \"Harbour\" becomes \"Harbou\""), std::string::npos)
        << asked[1];
    EXPECT_EQ(
        listLines(readBytes(dir.file("log.txt"))),
        (std::vector<std::string>{
            "001  Café 東    AA/V  C        00:00:10:00 00:00:11:00 01:00:00:00 01:00:01:00 ",
            "002  Name02    AA/V  C        00:00:12:00 00:00:13:00 01:00:01:00 01:00:02:00 ",
            "003  Name03    AA/V  C        00:00:14:00 00:00:15:00 01:00:02:00 01:00:03:00 ",
            "004  Harbou    AA/V  C        00:00:16:00 00:00:17:00 01:00:03:00 01:00:04:00 ",
            "005  Name05    AA/V  C        00:00:30:00 00:00:31:00 01:00:04:00 01:00:05:00 ",
            "006  Name06    AA/V  C        00:00:31:00 00:00:00:00 01:00:05:00 01:00:05:00 "}))
        << "UTF-8 names cut at 6 characters; events 1 to 4 kept; event 6 adds no record time";
}

// Loads, undo and the autosave: a load replaces the whole log and puts the first event without
// an out point in the top row; undo takes back a load, a mark and a typed name exactly; every
// change is on the disk at once; a failed load or save says why in the window.
TEST_F(LoggerWindow, LoadsUndoAndTheAutosaveLoseNothingAndFailuresSayWhy) {
    start();
    TempDir dir;
    LoggerGUI* logger = openLogger();
    ASSERT_NE(logger, nullptr);
    auto autosaved = [] { return LoadEDL(LoggerGUI::autosaveFile, false, timecode::rate30); };
    ASSERT_NO_FATAL_FAILURE(showDeckAt(ninepin::FramesOf(0, 0, 5, 0), "00:00:05:00"));
    for (int i = 0; i < 8; ++i) {
        logger->scrollBar()->setValue(i);
        QTest::mouseClick(logger->outButton(0), Qt::LeftButton);
    }
    QLineEdit* tape = logger->tapeField();
    tape->setFocus();
    typeText(tape, QString::fromUtf8("Bånd 7"));
    QTest::keyClick(tape, Qt::Key_Return);
    EXPECT_EQ(autosaved().events, logger->eventList()) << "the tape and 8 events on the disk";
    const EventList eight = logger->eventList();

    writeBytes(
        dir.file("seven.edl"), "\r\nTITLE: seven\r\n" + [] {
            std::string lines;
            for (int i = 1; i <= 7; ++i)
                lines += "00" + std::to_string(i) + "  Clip" + std::to_string(i) +
                         "     AA/V  C        00:00:0" + std::to_string(i) + ":00 00:00:0" +
                         std::to_string(i) + ":10 01:00:00:00 01:00:00:10\r\n";
            return lines;
        }());
    chosen = LoggerGUI::ChosenFile{dir.file("seven.edl"), "seven.edl", ListFormat::Standard};
    QTest::mouseClick(logger->topButton("Load EDL"), Qt::LeftButton);
    EXPECT_EQ(questions, 1) << "a load over changes not saved asks first; Cancel loads nothing";
    EXPECT_EQ(logger->eventList(), eight);
    answer = LoggerGUI::CloseChoice::Discard;
    QTest::mouseClick(logger->topButton("Load EDL"), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !logger->loading(); }));
    EXPECT_EQ(logger->eventList().ClipNameArray[6], "Clip7");
    EXPECT_EQ(logger->eventList().SrcOutArray[7], "00:00:00:00") << "event 8 of before is gone";
    EXPECT_EQ(logger->top(), 7);
    EXPECT_FALSE(fs::exists(LoggerGUI::autosaveFile)) << "what was loaded is on the disk";
    ASSERT_NO_FATAL_FAILURE(showDeckAt(ninepin::FramesOf(0, 0, 50, 0), "00:00:50:00"));
    logger->setin();
    EXPECT_EQ(logger->eventList().SrcInArray[7], "00:00:50:00");
    const EventList marked = logger->eventList();
    QLineEdit* name = logger->field(0, Name);
    name->setFocus();
    name->selectAll();
    QTest::keyClicks(name, "Pier");
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_EQ(autosaved().events, logger->eventList());

    // Undo takes back the name, the mark, then the load; redo brings them back.
    const EventList named = logger->eventList();
    QTest::keyClick(logger->undoButton(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(logger->eventList(), marked);
    QTest::mouseClick(logger->undoButton(), Qt::LeftButton);
    QTest::mouseClick(logger->undoButton(), Qt::LeftButton);
    EXPECT_EQ(logger->eventList(), eight);
    EXPECT_EQ(autosaved().events, eight);
    QTest::keyClick(logger->undoButton(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::mouseClick(logger->redoButton(), Qt::LeftButton);
    QTest::mouseClick(logger->redoButton(), Qt::LeftButton);
    EXPECT_EQ(logger->eventList(), named);
    // A hundred steps back: 120 names typed into the top row, 100 undone.
    const int top = logger->top();
    for (int i = 0; i < 120; ++i) {
        name->selectAll();
        QTest::keyClicks(name, QString::number(i));
        QTest::keyClick(name, Qt::Key_Return);
    }
    for (int i = 0; i < 100; ++i) QTest::mouseClick(logger->undoButton(), Qt::LeftButton);
    EXPECT_EQ(logger->eventList().ClipNameArray[top], "19");

    // What cannot be loaded or saved is said in a message box, and the log stays as it was.
    const EventList held = logger->eventList();
    writeBytes(dir.file("none.edl"), "TITLE: none\r\nFCM: NON-DROP FRAME\r\n");
    writeBytes(dir.file("big.edl"), std::string(16 * 1024 * 1024 + 1, 'T'));
    {
        std::ofstream(dir.file("sparse.edl"));
        fs::resize_file(dir.file("sparse.edl"), 2ull << 30);
    }
    const struct {
        std::string file, said;
    } loads[] = {{"missing.edl", "No such file"},
                 {"none.edl", "none.edl: "},
                 {"big.edl", "16 MB"},
                 {"sparse.edl", "16 MB"}};
    for (const auto& c : loads) {
        SCOPED_TRACE(c.file);
        shown.clear();
        chosen = LoggerGUI::ChosenFile{dir.file(c.file), c.file, ListFormat::Standard};
        QTest::mouseClick(logger->topButton("Load EDL"), Qt::LeftButton);
        ASSERT_TRUE(waitFor([&] { return !logger->loading(); }));
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_TRUE(shown[0].starts_with("Could not load " + c.file)) << shown[0];
        EXPECT_NE(shown[0].find(c.said), std::string::npos) << shown[0];
        EXPECT_EQ(logger->eventList(), held);
        EXPECT_TRUE(logger->changed());
    }
    shown.clear();
    chosen = LoggerGUI::ChosenFile{dir.file("no/such/dir.edl"), "dir.edl", ListFormat::Standard};
    QTest::mouseClick(logger->topButton("Save EDL"), Qt::LeftButton);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].starts_with("Could not save dir.edl: FileStreamError: ")) << shown[0];
    EXPECT_TRUE(logger->changed());
    EXPECT_EQ(autosaved().events, held) << "the autosave stays";
}

// Killed (kill -9) after three clips are logged, KOLB offers them at the next opening of the
// logger and takes them back.
TEST_F(LoggerWindow, AKilledSessionsClipsAreOfferedAtTheNextOpeningAndRestored) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto clip = [](int i) { return "00:00:" + twoDigits(10 * (i + 1)) + ":00"; };
    // The first session runs in a process of its own, killed at once after its third clip:
    // nothing of the program's own ending runs.
    EXPECT_EXIT(
        {
            start();
            LoggerGUI* logger = openLogger();
            if (logger == nullptr) std::exit(1);
            for (int i = 0; i < 3; ++i) {
                sim->setPosition(ninepin::FramesOf(0, 0, 10 * (i + 1), 0));
                if (!waitFor([&] { return gui->texts().time() == clip(i); })) std::exit(2);
                logger->setin();
                logger->setout();
            }
            ::kill(::getpid(), SIGKILL);
        },
        ::testing::KilledBySignal(SIGKILL), "");

    start();
    LoggerGUI* logger = openLogger();
    ASSERT_NE(logger, nullptr);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(asked[0].starts_with("Recover the 3 events logged at 20")) << asked[0];
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(logger->eventList().SrcInArray[i], clip(i));
        EXPECT_EQ(logger->eventList().SrcOutArray[i], clip(i));
    }
    EXPECT_EQ(logger->top(), 3) << "the first event without an out point in the top row";
    EXPECT_EQ(logger->loggingOffset(), 0);
    EXPECT_TRUE(logger->changed()) << "recovered, not yet saved";
}

// The strip below the grid, a name typed in place, a list read while the window stays live, and
// the question when the program is closed with events not saved.
TEST_F(LoggerWindow, RowsAreNamedInPlaceListsAreReadBesideTheWindowAndClosingTheProgramAsks) {
    start();
    TempDir dir;
    LoggerGUI* logger = openLogger();
    ASSERT_NE(logger, nullptr);
    logger->eventList() = logOf({{"A", "00:00:10:00", "00:00:20:00"},
                                 {"B", "00:00:30:00", "00:00:35:15"},
                                 {"C", "00:00:40:00", "00:00:39:00"}});
    logger->ReState(0);
    QLineEdit* third = logger->field(2, Name);
    QTest::mouseDClick(third, Qt::LeftButton);
    ASSERT_FALSE(third->isReadOnly());
    third->selectAll();
    QTest::keyClicks(third, "Boats");
    QTest::keyClick(third, Qt::Key_Return);
    EXPECT_TRUE(third->isReadOnly());
    EXPECT_EQ(logger->eventList().ClipNameArray[2], "Boats");
    EXPECT_EQ(logger->totalsLabel()->text().toStdString(),
              "Clips: 2   Total: 00:00:15:15   Top row: 00:00:10:00")
        << "event 3 runs backwards: no clip";

    // A list being read holds nothing up: the time display moves meanwhile.
    std::atomic<bool> release{false};
    logger->setListReader([&release](const std::string& path) {
        const auto end = Clock::now() + 20s;
        while (!release && Clock::now() < end) std::this_thread::sleep_for(5ms);
        return LoadEDL(path, false, timecode::rate30);
    });
    SaveEDL(dir.file("list.edl"), logOf({{"D", "00:01:00:00", "00:01:05:00"}}), "list.edl", "");
    chosen = LoggerGUI::ChosenFile{dir.file("list.edl"), "list.edl", ListFormat::Standard};
    answer = LoggerGUI::CloseChoice::Discard; // event 3's new name is not saved
    QTest::mouseClick(logger->topButton("Load EDL"), Qt::LeftButton);
    EXPECT_TRUE(logger->loading());
    std::set<std::string> times;
    const bool moved = waitFor(
        [&] {
            sim->setPosition(ninepin::FramesOf(0, 2, 0, static_cast<int>(times.size())));
            times.insert(gui->texts().time());
            return times.size() >= 4;
        },
        15s);
    release = true;
    EXPECT_TRUE(moved);
    ASSERT_TRUE(waitFor([&] { return !logger->loading(); }, 25s));
    logger->setListReader({}); // what it captures ends with this test
    EXPECT_EQ(logger->eventList().ClipNameArray[0], "D");

    // Closing the main window with events not saved: Cancel keeps the program, Discard ends it.
    QTest::mouseClick(logger->inButton(4), Qt::LeftButton);
    answer = LoggerGUI::CloseChoice::Cancel;
    gui->close();
    ASSERT_TRUE(settle());
    EXPECT_EQ(questions, 2);
    EXPECT_EQ(exitStatus, -1);
    EXPECT_TRUE(fs::exists(LoggerGUI::autosaveFile));
    answer = LoggerGUI::CloseChoice::Discard;
    gui->close();
    EXPECT_EQ(questions, 3);
    EXPECT_TRUE(waitForExit());
    EXPECT_FALSE(fs::exists(LoggerGUI::autosaveFile)) << "thrown away on purpose";
}

// An assistant editor's session: clips logged with the keys, named, noted, marked good and given
// their tapes in place, a time mended in row 12 without scrolling, an event taken out and one
// put in, every step undone and redone, a clip reviewed from its row, and the log saved in each
// format. Nothing is cut without a question, nothing is lost, no typed character moves the deck.
TEST_F(LoggerWindow, AnEditorsSessionKeepsEveryNameTapeNoteAndTakeAndNoTypedKeyMovesTheDeck) {
    LoggerGUI* logger = nullptr;
    ASSERT_NO_FATAL_FAILURE(openOnDiskRecorder(logger));
    TempDir dir;
    const EventList& events = logger->eventList();
    // The keys are the log's: the focus is on the window, no text field.
    auto keysAreTheLogs = [&] {
        QWidget* focus = QApplication::focusWidget();
        return focus == logger || qobject_cast<QLineEdit*>(focus) == nullptr;
    };
    auto keyToLog = [&](Qt::Key k) {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus != nullptr ? focus : logger, k);
    };
    auto markAt = [&](int second, int frame, Qt::Key k) {
        const std::string t = "00:01:" + twoDigits(second) + ":" + twoDigits(frame);
        ASSERT_NO_FATAL_FAILURE(showDeckAt(ninepin::FramesOf(0, 1, second, frame), t));
        keyToLog(k);
    };
    // Types into a cell opened by a double-click, then Enter.
    auto typeInto = [&](int row, int column, const QString& value) {
        QLineEdit* f = logger->field(row, column);
        QTest::mouseDClick(f, Qt::LeftButton);
        ASSERT_FALSE(f->isReadOnly()) << "row " << row << " column " << column;
        f->selectAll();
        typeText(f, value);
        QTest::keyClick(f, Qt::Key_Return);
        EXPECT_TRUE(f->isReadOnly());
        EXPECT_TRUE(keysAreTheLogs()) << "Enter hands the keys back";
    };

    QLineEdit* tape = logger->tapeField();
    tape->setFocus();
    typeText(tape, "Reel A");
    QTest::keyClick(tape, Qt::Key_Return);
    ASSERT_TRUE(keysAreTheLogs()) << "Enter in the tape hands the keys back";
    for (int i = 0; i < 14; ++i) {
        ASSERT_NO_FATAL_FAILURE(markAt(2 * i, 0, Qt::Key_I));
        ASSERT_NO_FATAL_FAILURE(markAt(2 * i + 1, 0, Qt::Key_O));
    }
    ASSERT_EQ(events.firstWithoutOut(0), 14);
    EXPECT_EQ(events.TapeArray[13], "Reel A") << "a new clip takes the log's tape";
    logger->scrollBar()->setValue(0);

    // The top row named: Enter hands the keys back, and Space, I, O, Space that follow are keys.
    ASSERT_TRUE(settle());
    trace->clear();
    QLineEdit* top = logger->field(0, Name);
    QTest::mouseClick(top, Qt::LeftButton);
    top->selectAll();
    typeText(top, QString::fromUtf8("Interview Jürgen Größe take 1"));
    QTest::keyClick(top, Qt::Key_Return);
    ASSERT_TRUE(keysAreTheLogs());
    const std::string before = gui->texts().time();
    keyToLog(Qt::Key_Space);
    ASSERT_TRUE(waitFor([&] { return gui->texts().time() != before; })) << "the deck plays";
    keyToLog(Qt::Key_I);
    const std::string in = events.SrcInArray[14];
    ASSERT_TRUE(waitFor([&] { return gui->texts().time() > in; }));
    keyToLog(Qt::Key_O);
    keyToLog(Qt::Key_Space);
    ASSERT_TRUE(settle());
    EXPECT_EQ(events.ClipNameArray[0], "Interview Jürgen Größe take 1");
    EXPECT_EQ(commandsAfter(2), (Frames{playFrame, stopFrame}));
    EXPECT_GT(events.SrcInArray[14], "00:00:27:00") << "I and O logged event 15";
    EXPECT_GT(events.SrcOutArray[14], events.SrcInArray[14]);

    // Spaces and letters typed into a cell that is not open move nothing and change nothing.
    const EventList beforeTyping = events;
    trace->clear();
    QLineEdit* closed = logger->field(1, Notes);
    QTest::mouseClick(closed, Qt::LeftButton);
    QTest::keyClicks(closed, " jl o ");
    ASSERT_TRUE(settle());
    ASSERT_TRUE(waitForStatusReads(1));
    EXPECT_TRUE(trace->commandBytes().empty()) << trace->commandBytes().front();
    EXPECT_EQ(events, beforeTyping);
    EXPECT_TRUE(
        logger->messageLabel()->text().startsWith("Typing goes into a cell once it is open"));
    QTest::keyClick(closed, Qt::Key_Escape);
    EXPECT_TRUE(keysAreTheLogs()) << "Escape hands the keys back";

    // Each step in place, with the log after it; undone and redone below.
    std::vector<EventList> after{events};
    ASSERT_NO_FATAL_FAILURE(typeInto(1, Notes, QString::fromUtf8("Wide, \"gate\" shot; café")));
    after.push_back(events);
    QTest::mouseClick(logger->goodBox(1), Qt::LeftButton);
    after.push_back(events);
    ASSERT_NO_FATAL_FAILURE(typeInto(2, Tape, "Reel B"));
    after.push_back(events);
    ASSERT_NO_FATAL_FAILURE(typeInto(5, Tape, "Interview Day 2"));
    after.push_back(events);
    ASSERT_NO_FATAL_FAILURE(typeInto(3, Name, QString::fromUtf8("Harbour, east pier")));
    after.push_back(events);
    // Row 12 without scrolling: a time not at the rate is refused and said, a good one kept.
    ASSERT_NO_FATAL_FAILURE(typeInto(11, In, "00:01:22:30"));
    EXPECT_EQ(events.SrcInArray[11], "00:01:22:00");
    EXPECT_TRUE(logger->messageLabel()->text().startsWith("Not a timecode at 30"));
    ASSERT_NO_FATAL_FAILURE(typeInto(11, In, "00:01:22:15"));
    EXPECT_EQ(logger->field(11, Duration)->text().toStdString(), "00:00:00:15");
    after.push_back(events);
    // Event 5 taken out, a free event put in at event 3.
    QTest::mouseClick(logger->field(4, Name), Qt::LeftButton);
    EXPECT_EQ(logger->selectedEvent(), 4);
    QTest::keyClick(logger->field(4, Name), Qt::Key_Escape);
    const std::string sixth = events.ClipNameArray[5];
    keyToLog(Qt::Key_Delete);
    EXPECT_EQ(events.ClipNameArray[4], sixth);
    EXPECT_EQ(events.SrcOutArray[14], "00:00:00:00") << "the later events moved up one";
    EXPECT_TRUE(logger->messageLabel()->text().startsWith("Event 005 (Name05) taken out"));
    after.push_back(events);
    QTest::mouseClick(logger->insertButton(), Qt::LeftButton);
    EXPECT_EQ(events.ClipNameArray[5], sixth) << "put in before the selected row's event";
    EXPECT_EQ(events.ClipNameArray[4], "Name05");
    EXPECT_TRUE(timecode::IsZero(events.SrcOutArray[4]));
    after.push_back(events);

    for (std::size_t i = after.size() - 1; i > 0; --i) {
        SCOPED_TRACE("undo back to step " + std::to_string(i - 1));
        QTest::mouseClick(logger->undoButton(), Qt::LeftButton);
        EXPECT_EQ(events, after[i - 1]);
    }
    for (std::size_t i = 1; i < after.size(); ++i)
        QTest::mouseClick(logger->redoButton(), Qt::LeftButton);
    EXPECT_EQ(events, after.back());
    EXPECT_EQ(events.TapeArray[2], "Reel B");
    EXPECT_EQ(events.TapeArray[3], "Reel A") << "a clip keeps its own tape";
    EXPECT_TRUE(events.GoodArray[1]);

    // A mark with the deck standing logs a clip of no length, said and counted; mended in place.
    ASSERT_NO_FATAL_FAILURE(markAt(50, 0, Qt::Key_I));
    ASSERT_NO_FATAL_FAILURE(markAt(50, 0, Qt::Key_O));
    EXPECT_EQ(events.SrcOutArray[15], "00:01:50:00");
    EXPECT_TRUE(logger->messageLabel()->text().startsWith("The clip of event 016 has no length"));
    EXPECT_TRUE(logger->totalsLabel()->text().contains("No length: 1"));
    ASSERT_NO_FATAL_FAILURE(typeInto(15, Out, "00:01:51:00"));
    EXPECT_FALSE(logger->totalsLabel()->text().contains("No length"));

    // With every event after the logging position logged, a mark goes back to the free event
    // put in, and the strip says so.
    const EventList held = events;
    for (int i = 16; i < EventList::size; ++i) logger->eventList().SrcOutArray[i] = "00:02:00:00";
    ASSERT_NO_FATAL_FAILURE(markAt(52, 0, Qt::Key_I));
    EXPECT_EQ(events.SrcInArray[4], "00:01:52:00");
    EXPECT_TRUE(logger->messageLabel()->text().startsWith(
        "No free event after the logging position: the in went to event 005"));
    // Event 100 holds a clip: nothing can be put in. With every event out, a mark finds none.
    QTest::mouseClick(logger->insertButton(), Qt::LeftButton);
    EXPECT_TRUE(
        logger->messageLabel()->text().startsWith("The log is full: event 100 holds a clip"));
    ASSERT_NO_FATAL_FAILURE(markAt(53, 0, Qt::Key_O));
    const EventList full = events;
    ASSERT_NO_FATAL_FAILURE(markAt(54, 0, Qt::Key_I));
    EXPECT_EQ(events, full);
    EXPECT_TRUE(logger->messageLabel()->text().startsWith("The log is full: every event"));
    QTest::mouseClick(logger->undoButton(), Qt::LeftButton);
    QTest::mouseClick(logger->undoButton(), Qt::LeftButton);
    for (int i = 16; i < EventList::size; ++i) logger->eventList().SrcOutArray[i] = timecode::zero;
    ASSERT_EQ(events, held);
    logger->ReState(logger->top());

    // R reviews the selected row's clip; its number is marked while it plays.
    logger->scrollBar()->setValue(0);
    QTest::mouseClick(logger->field(2, In), Qt::LeftButton);
    QTest::keyClick(logger->field(2, In), Qt::Key_Escape);
    const size_t reviewMark = consoleLines().size();
    keyToLog(Qt::Key_R);
    EXPECT_EQ(logger->reviewedEvent(), 2);
    EXPECT_EQ(logger->numberButton(2)->palette().color(QPalette::Button), QColor(120, 220, 120));
    ASSERT_TRUE(waitFor([&] { return logger->reviewedEvent() == -1; }, 30s));
    QTest::mouseClick(logger->numberButton(1), Qt::LeftButton);
    EXPECT_EQ(logger->reviewedEvent(), 1) << "a row's number reviews its clip";
    ASSERT_TRUE(waitFor([&] { return logger->reviewedEvent() == -1; }, 30s));
    EXPECT_EQ(reviewLines(reviewMark),
              (std::vector<std::string>{"Review EDL Clip 3", "Review EDL Clip 2"}));

    // The grid scrolled while a cell is open (as a mark from elsewhere scrolls it): the cell is
    // stored and closed, and what is typed next still moves nothing.
    ASSERT_TRUE(settle());
    trace->clear();
    QLineEdit* open = logger->field(6, Notes);
    QTest::mouseDClick(open, Qt::LeftButton);
    typeText(open, "x");
    logger->scrollBar()->setValue(3);
    QTest::keyClicks(QApplication::focusWidget(), " l");
    ASSERT_TRUE(settle());
    ASSERT_TRUE(waitForStatusReads(1));
    EXPECT_TRUE(trace->commandBytes().empty()) << trace->commandBytes().front();
    EXPECT_TRUE(open->isReadOnly());
    // A cell of a scrolled grid writes the event its row shows.
    ASSERT_NO_FATAL_FAILURE(typeInto(2, Notes, "y"));
    EXPECT_EQ(events.NotesArray[5], "y");
    EXPECT_EQ(events.NotesArray[6], "x");
    for (const int k : {5, 6})
        logger->eventList().NotesArray[k].clear(); // set back as it was, no step
    logger->scrollBar()->setValue(0);

    // Saved in each format and loaded back through the dialog: every field whole, and saved
    // again, the same bytes.
    const EventList logged = events;
    answerYes = true; // the free event put in is no clip
    const struct {
        std::string file;
        ListFormat filter;
    } formats[] = {{"log.edl", ListFormat::Standard},
                   {"log.ale", ListFormat::Cmx3600},
                   {"log.csv", ListFormat::Cmx3600}};
    for (const auto& format : formats) {
        SCOPED_TRACE(format.file);
        asked.clear();
        chosen = LoggerGUI::ChosenFile{dir.file(format.file), format.file, format.filter};
        QTest::mouseClick(logger->topButton("Save EDL"), Qt::LeftButton);
        EXPECT_EQ(asked.size(), 1u) << "only the question of the free event put in";
        EXPECT_FALSE(fs::exists(LoggerGUI::autosaveFile)) << "a whole save leaves no autosave";
        answer = LoggerGUI::CloseChoice::Discard;
        QTest::mouseClick(logger->topButton("Load EDL"), Qt::LeftButton);
        ASSERT_TRUE(waitFor([&] { return !logger->loading(); }));
        for (int i = 0; i < EventList::size; ++i) {
            SCOPED_TRACE("event " + std::to_string(i + 1));
            EXPECT_EQ(events.ClipNameArray[i], logged.ClipNameArray[i]);
            EXPECT_EQ(events.TapeArray[i], logged.TapeArray[i]);
            EXPECT_EQ(events.NotesArray[i], logged.NotesArray[i]);
            EXPECT_EQ(events.GoodArray[i], logged.GoodArray[i]);
            EXPECT_EQ(events.SrcInArray[i], logged.SrcInArray[i]);
            EXPECT_EQ(events.SrcOutArray[i], logged.SrcOutArray[i]);
        }
        const std::string again = "again-" + format.file;
        chosen = LoggerGUI::ChosenFile{dir.file(again), again, format.filter};
        QTest::mouseClick(logger->topButton("Save EDL"), Qt::LeftButton);
        EXPECT_EQ(readBytes(dir.file(again)), readBytes(dir.file(format.file)));
    }

    // A Standard EDL cuts names: it says which before writing, and the autosave keeps the log
    // whole while that cut list is the newest save. The free event put in is taken out first.
    logger->scrollBar()->setValue(0);
    QTest::mouseClick(logger->field(4, Name), Qt::LeftButton);
    QTest::mouseClick(logger->deleteButton(), Qt::LeftButton);
    EXPECT_EQ(events.firstWithoutOut(0), 15) << "15 clips, the free event gone";
    asked.clear();
    chosen = LoggerGUI::ChosenFile{dir.file("short.txt"), "short.txt", ListFormat::Standard};
    answerYes = false;
    QTest::mouseClick(logger->topButton("Save EDL"), Qt::LeftButton);
    ASSERT_EQ(asked.size(), 1u) << "only the names it cuts";
    EXPECT_NE(asked[0].find("Event 001: \"Interview Jürgen Größe take 1\" becomes \"Interv\""),
              std::string::npos)
        << asked[0];
    EXPECT_NE(asked[0].find("It keeps no notes (1 clip), no good takes (1 clip) and no tape of "
                            "a clip's own (2 clips)."),
              std::string::npos)
        << asked[0];
    EXPECT_FALSE(fs::exists(dir.file("short.txt"))) << "Cancel writes nothing";
    answerYes = true;
    QTest::mouseClick(logger->topButton("Save EDL"), Qt::LeftButton);
    ASSERT_TRUE(fs::exists(dir.file("short.txt")));
    EXPECT_FALSE(logger->changed());
    // A load would replace the only whole copy: asked first, as for changes not saved.
    const int asks = questions;
    answer = LoggerGUI::CloseChoice::Cancel;
    QTest::mouseClick(logger->topButton("Load EDL"), Qt::LeftButton);
    EXPECT_EQ(questions, asks + 1);
    const EdlLoad kept = LoadEDL(LoggerGUI::autosaveFile, false, timecode::rate30);
    ASSERT_TRUE(kept.ok) << kept.error;
    EXPECT_EQ(kept.events.ClipNameArray[0], "Interview Jürgen Größe take 1");
    EXPECT_EQ(kept.events.NotesArray[1], logged.NotesArray[1]);
    chosen = LoggerGUI::ChosenFile{dir.file("whole.edl"), "whole.edl", ListFormat::Standard};
    QTest::mouseClick(logger->topButton("Save EDL"), Qt::LeftButton);
    EXPECT_FALSE(fs::exists(LoggerGUI::autosaveFile)) << "a list holds the log whole again";
}
