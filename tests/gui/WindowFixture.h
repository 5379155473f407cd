#pragma once

// The main window, offscreen, driving the simulated deck through the real controller and link.
// Shared by the window tests.
#include "DeckRig.h"
#include "LocalGUI.h"
#include "LocalVCR.h"
#include "LoggerGUI.h"
#include "Utils.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace windowtest {

using namespace std::chrono_literals;
using Frames = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

const std::string timeRequest = "61 0C 03 70 ";
const std::string statusRequest = "61 20 09 8A ";

// Every text the status line showed while this lives. A poller's reading that comes late on a
// busy machine ("No VCR Status") may replace a text before a check could see it there.
class StatusLog {
public:
    explicit StatusLog(QLineEdit* field) {
        QObject::connect(field, &QLineEdit::textChanged, &context,
                         [this](const QString& t) { texts.push_back(t.toStdString()); });
    }
    bool has(const std::string& text) const {
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }
    std::string last() const { return texts.empty() ? "" : texts.back(); }

private:
    std::vector<std::string> texts; // written on the window's thread only
    QObject context;                // the connection ends with it
};

// Lets the window's thread handle its events for a while.
inline void pump(std::chrono::milliseconds span) {
    const auto end = Clock::now() + span;
    while (Clock::now() < end) {
        QApplication::processEvents();
        std::this_thread::sleep_for(1ms);
    }
}

// Handles the window's events until done() holds; false when the deadline passed first.
inline bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds deadline = 5s) {
    const auto end = Clock::now() + deadline;
    for (;;) {
        QApplication::processEvents();
        if (done()) return true;
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(2ms);
    }
}

// The red mark above a control, as the window places it.
inline QRect markAbove(const QWidget* control) {
    const QRect g = control->geometry();
    return QRect(g.x(), g.y() - 2, g.width(), 2);
}

} // namespace windowtest

class Window : public ::testing::Test {
protected:
    // Builds the rig, the controller and its window. By default waits until start-up has
    // ended (the poller runs, the logger button is enabled) and then forgets what the deck
    // received so far. The link waits DeckRig::patientWait for replies unless told otherwise.
    void start(Settings s = Settings(), DeckSim::Options opts = {}, bool awaitStartup = true,
               int waitMs = DeckRig::patientWait) {
        using namespace windowtest;
        Utils::SetLineSink([this](const std::string& line) {
            std::lock_guard lock(linesMutex);
            lines.push_back(line);
        });
        rig = std::make_unique<DeckRig>(opts, s.lanc, waitMs);
        sim = &rig->sim;
        trace = &rig->trace;
        if (portFactory) ownLink = std::make_unique<SerOutPort>("test port", portFactory);
        SerOutPort& link = ownLink ? *ownLink : rig->link;
        vcr = std::make_unique<LocalVCR>(
            link, 2001, s.lanc, s,
            [this](LocalVCR& v) {
                auto w = std::make_unique<LocalGUI>(v, v.config(), 320, 13);
                gui = w.get();
                return w;
            },
            [this](int status) { exitStatus = status; });
        // Every logger's questions and messages are answered here, never by a dialog on screen.
        if (gui != nullptr)
            gui->setLoggerSetup([this](LoggerGUI& logger) {
                logger.setFileChooser([](const LoggerGUI::FileRequest&) { return std::nullopt; });
                logger.setCloseAsker([] { return LoggerGUI::CloseChoice::Discard; });
                logger.setQuestionAsker(
                    [this](const std::string& question, const std::string&, const std::string&) {
                        asked.push_back(question);
                        return answerYes;
                    });
                logger.setMessageShower(
                    [this](const std::string& message) { shown.push_back(message); });
            });
        if (!awaitStartup) return;
        if (!waitFor([this] { return vcr->poller() != nullptr; }, 15s)) {
            ADD_FAILURE() << "start-up did not start the poller";
            return;
        }
        settle();
        trace->clear();
    }
    // Ends the controller (joining its threads) before the rig, then the line sink. Safe to
    // call twice; start() may follow.
    void finish() {
        vcr.reset();
        gui = nullptr;
        ownLink.reset();
        portFactory = {};
        rig.reset();
        sim = nullptr;
        trace = nullptr;
        Utils::SetLineSink({});
        exitStatus = -1;
        // No autosaved log of this test is offered to the next.
        std::error_code ignored;
        std::filesystem::remove(LoggerGUI::autosaveFile, ignored);
    }
    void TearDown() override { finish(); }

    // Presses a button and waits until its action has run.
    void press(const std::string& label) {
        QPushButton* b = gui->button(label);
        ASSERT_NE(b, nullptr) << label;
        QTest::mouseClick(b, Qt::LeftButton);
        ASSERT_TRUE(settle()) << label;
    }
    // Waits until every operator action posted so far has run, then lets the window handle
    // what they posted to it.
    bool settle() {
        auto done = std::make_shared<std::atomic<bool>>(false);
        vcr->post([done] { *done = true; });
        return windowtest::waitFor([&] { return done->load(); }, std::chrono::seconds(15));
    }
    // Waits until the close sequence has ended the program.
    bool waitForExit() {
        return windowtest::waitFor([this] { return exitStatus != -1; }, std::chrono::seconds(5));
    }
    // Waits until the poller has completed n more status reads from now (each status request
    // followed by the next cycle's time request), then lets the window handle what they
    // posted: whatever those readings show is on the window afterwards.
    bool waitForStatusReads(int n) {
        using namespace windowtest;
        const size_t from = trace->bytes().size();
        const bool ok = waitFor(
            [&] {
                const auto frames = trace->bytes();
                int complete = 0;
                bool open = false;
                for (size_t i = from; i < frames.size(); ++i) {
                    if (frames[i] == statusRequest) open = true;
                    if (frames[i] == timeRequest && open) {
                        ++complete;
                        open = false;
                    }
                }
                return complete >= n;
            },
            15s);
        QApplication::processEvents();
        return ok;
    }
    // Every reply from now on comes one byte short, so the poller shows no time, status or mark;
    // a read under way when it starts ends first.
    bool silencePoller() {
        sim->setDropByte(true);
        return waitForStatusReads(1);
    }
    // The commands the deck received, once at least n have arrived.
    windowtest::Frames commandsAfter(size_t n) {
        EXPECT_TRUE(trace->waitForCommands(n, 5000)) << "expected " << n << " commands";
        return trace->commandBytes();
    }
    std::vector<std::string> consoleLines() {
        std::lock_guard lock(linesMutex);
        return lines;
    }
    // The console's lines from a mark on, without what the link says of a deck slow to answer:
    // a loaded machine can make any reply late, and the lines a test looks at are the others.
    std::vector<std::string> consoleSince(size_t mark) {
        const auto all = consoleLines();
        std::vector<std::string> since;
        for (size_t i = std::min(mark, all.size()); i < all.size(); ++i) {
            const std::string& line = all[i];
            if (line == "Deck reply longer than 16 bytes: only the last part was kept" ||
                line == "No reply from deck" || line == "Deck replies again" ||
                line == "Late reply from the deck dropped: it answered an exchange that had "
                        "given up")
                continue;
            since.push_back(line);
        }
        return since;
    }

    std::unique_ptr<DeckRig> rig;
    DeckSim* sim = nullptr;
    TraceLog* trace = nullptr;
    // When set before start(), the controller gets a link over the ports this makes instead of
    // the rig's link to the simulator.
    SerOutPort::PortFactory portFactory;
    std::unique_ptr<SerOutPort> ownLink;
    std::unique_ptr<LocalVCR> vcr;
    LocalGUI* gui = nullptr;
    std::atomic<int> exitStatus{-1};
    // A logger's questions and message boxes, and the answer to its questions (the first
    // choice: "Save anyway", "Recover").
    std::vector<std::string> asked;
    std::vector<std::string> shown;
    bool answerYes = true;
    std::mutex linesMutex; // guards lines
    std::vector<std::string> lines;
};
