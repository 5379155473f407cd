#pragma once

// The deck controller against the simulated deck, through a pseudo-terminal and the deck link,
// with a headless window; or against a far end the test plays itself. Shared by the deck tests.
#include "DeckRig.h"
#include "LocalVCR.h"
#include "Pty.h"
#include "RecordingPanel.h"
#include "Utils.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace decktest {

using namespace std::chrono_literals;
using clock_type = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

inline const std::string TC = "61 0C 03 70 ";
inline const std::string ST = "61 20 09 8A ";

// Waits until `done` holds, at most `timeout`; a busy machine gets there late, never early.
inline bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 10s) {
    const auto end = clock_type::now() + timeout;
    while (!done()) {
        if (clock_type::now() > end) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

// A reply wait for tests that check single readings: a reply that missed the wait would be
// lost, and would spoil the reading after it. A loaded two-core machine has been seen to hold a
// deck's thread up for 160 ms.
constexpr int readingWait = 250;

class Controller : public ::testing::Test {
protected:
    void SetUp() override {
        Utils::SetLineSink([this](const std::string& l) {
            std::lock_guard lock(linesMutex);
            lines.push_back(l);
        });
    }
    void TearDown() override {
        stopAll();
        Utils::SetLineSink({});
    }

    // A controller on a simulated deck. Most tests are not about the reply wait that start-up
    // gives the link, so by default the link waits long enough for a busy machine.
    void start(Settings s = Settings(), DeckSim::Options opts = {},
               int waitMs = DeckRig::patientWait) {
        stopAll();
        rig = std::make_unique<DeckRig>(opts, s.lanc, waitMs);
        sim = &rig->sim;
        trace = &rig->trace;
        makeController(rig->link, s);
    }
    // A controller on a line whose far end answers as setReplies() says.
    void startOnRawLine(Settings s = Settings()) {
        stopAll();
        peer = std::make_unique<PtyPeer>([this](const Bytes& frame) { return answer(frame); });
        ownLink = std::make_unique<SerOutPort>(peer->path());
        ownLink->setwait(readingWait);
        makeController(*ownLink, s);
    }
    // A controller whose port could not be opened.
    void startWithoutPort(const std::string& path) {
        stopAll();
        ownLink = std::make_unique<SerOutPort>(path);
        makeController(*ownLink, Settings());
    }
    void makeController(SerOutPort& link, const Settings& s) {
        {
            std::lock_guard lock(linesMutex);
            lines.clear(); // the link's own lines about the line
        }
        exitStatus = -1;
        vcr = std::make_unique<LocalVCR>(
            link, 2001, s.lanc, s,
            [this](LocalVCR&) {
                auto p = std::make_unique<RecordingPanel>();
                panel = p.get();
                return p;
            },
            [this](int status) { exitStatus = status; });
    }
    // The controller first: it talks to the line the others hold.
    void stopAll() {
        vcr.reset();
        panel = nullptr;
        ownLink.reset();
        peer.reset();
        rig.reset();
        sim = nullptr;
        trace = nullptr;
    }

    // Waits for start-up to end (the poller runs).
    void startedUp() {
        vcr->waitIdle();
        ASSERT_NE(vcr->poller(), nullptr);
    }
    // Ends the poller, so every exchange after this is the test's own and each reading it makes
    // is the last one shown.
    void stopPolling() {
        TCThread* poller = vcr->poller();
        ASSERT_NE(poller, nullptr);
        poller->stopme();
        ASSERT_TRUE(waitUntil([&] { return !poller->running(); }));
    }
    // Start-up's "Ready" message stays on show for its hold; waits until a status reading
    // shows in its place.
    void pastStartupMessage() {
        ASSERT_TRUE(waitUntil(
            [&] {
                vcr->status();
                return vcr->shownStatus() == vcr->getStatusString();
            },
            20s));
    }
    std::vector<std::string> consoleLines() {
        std::lock_guard lock(linesMutex);
        return lines;
    }

    // What the far end of a raw line answers: a time request with `time`, a status request with
    // `status` (nothing for an empty reply), anything else with an acknowledgement.
    void setReplies(const Bytes& time, const Bytes& status) {
        std::lock_guard lock(answerMutex);
        timeReply = time;
        statusReply = status;
    }
    int timeRequests() {
        std::lock_guard lock(answerMutex);
        return timeAsked;
    }
    // The frames other than time and status requests that the far end received.
    std::vector<Bytes> rawCommands() {
        std::lock_guard lock(answerMutex);
        return received;
    }
    Bytes answer(const Bytes& frame) {
        std::lock_guard lock(answerMutex);
        if (frame[0] != 0x61) received.push_back(frame);
        if (frame[0] == 0x61 && frame[1] == 0x0C) {
            ++timeAsked;
            return timeReply;
        }
        if (frame[0] == 0x61 && frame[1] == 0x20) return statusReply;
        return ninepin::Ack();
    }

    std::mutex linesMutex; // guards lines
    std::vector<std::string> lines;
    std::mutex answerMutex; // guards timeReply, statusReply, timeAsked and received
    Bytes timeReply, statusReply;
    std::vector<Bytes> received;
    int timeAsked = 0;

    std::unique_ptr<DeckRig> rig;
    DeckSim* sim = nullptr;
    TraceLog* trace = nullptr;
    std::unique_ptr<PtyPeer> peer; // uses answer(): declared after what it uses
    std::unique_ptr<SerOutPort> ownLink;
    std::unique_ptr<LocalVCR> vcr;
    RecordingPanel* panel = nullptr;
    std::atomic<int> exitStatus{-1}; // what the controller ended the program with
};

} // namespace decktest
