#pragma once

#include "ActionThread.h"
#include "CommandFrames.h"
#include "DeckPanel.h"
#include "SerOutPort.h"
#include "Settings.h"
#include "TCThread.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>

// The deck controller: every command source drives the deck through it. It owns the main
// window (through the DeckPanel it is given), the timecode poller and the operator-action
// thread on which window actions that talk to the deck or wait run in order.
class LocalVCR : public PollTarget, public CommandFrames {
public:
    using PanelFactory = std::function<std::unique_ptr<DeckPanel>(LocalVCR&)>;
    using ExitFunction = std::function<void(int)>;

    // Builds the window (steps up to the close handler) on the calling thread, then runs the
    // rest of start-up on the operator-action thread: recorder set-up, TIME MODE, a 1000 ms
    // pause, the poller, the window shown again with its logger button enabled.
    LocalVCR(SerOutPort& sop, int socketport, bool LANC, const Settings& settings,
             PanelFactory makePanel, ExitFunction exitProcess = {});
    ~LocalVCR() override;
    LocalVCR(const LocalVCR&) = delete;
    LocalVCR& operator=(const LocalVCR&) = delete;

    // Sending.
    DeckReply CommandB0(std::span<const std::uint8_t> frame);
    void ShowStat(const std::string& text);
    void setscriptactive(bool on) { scriptactive = on; }
    bool getscriptactive() const { return scriptactive; }

    // Transport (each sends exactly one frame).
    void play();
    void pause();
    void stop();
    void rewind();
    void forward();
    void slowfifth();
    void slowthird();
    void slowhalf();
    void fasttwo();
    void fastfive();
    void jogr();
    void jogf();
    void eeon();
    void eeoff();
    void sbyon();
    void sbyoff();
    void record();
    void shutfwd(int speed);
    void shutrev(int speed);
    void SettleDown();

    // Sense requests and their decoding.
    void CommandB8() override;
    void CommandStatus() override;
    void status() { CommandStatus(); }
    std::string ExtractStatusString(std::span<const std::uint8_t> reply);
    void reporttc();
    void reportstatus();

    // The poller.
    void GetTC();
    void TellTCReview(bool flag);
    // The poller, or nothing before start-up has made it.
    TCThread* poller();

    // The cue string from the in field's text; false (and "Invalid Timecode: ") when the text
    // is not a timecode.
    bool MakeCueString();

    void DelayT(int ms);

    // Runs an action on the operator-action thread, after those posted before it.
    void post(std::function<void()> action) { actions.post(std::move(action)); }
    void waitIdle() { actions.waitIdle(); }
    // The main window was closed: at once, whatever the operator-action thread is doing, drop
    // the actions still queued, stop the poller, stop the deck when so set, end the program.
    // The sequence runs on a thread of its own, so the window's thread never waits.
    void CloseMain();

    DeckPanel& panel() { return *localgui; }
    const Settings& config() const { return settings; }
    bool isLanc() const { return LANC; }
    std::string getTCString() const;
    std::string getStatusString() const;
    std::string getCueString() const;
    CommandFrames::Frame<7> getCueFrame() const;

    std::atomic<bool> scriptactive{false};
    std::atomic<int> startframes{0};
    std::atomic<int> endframes{0};
    std::atomic<int> tcframes{0};
    std::atomic<int> duration{0};
    std::atomic<bool> cueup{false};
    std::atomic<bool> preroll{false};
    std::atomic<bool> cueplay{false};
    std::atomic<bool> reviewclip{false};

private:
    void startup();
    void vantoSetup();
    // Sends a transport frame, then leaves any cue-and-play or review (SettleDown).
    void sendThenSettle(std::span<const std::uint8_t> frame);
    void closeSequence();

    SerOutPort& sop;
    int socketport;
    bool LANC;
    Settings settings;
    bool vanto;
    ExitFunction exitProcess;

    // Guards TCString, StatusString, CueString, EndString and the cue frame: one decode
    // of a reply completes before another begins.
    mutable std::mutex stateMutex;
    std::string TCString = "00:00:00:00";
    std::string StatusString;
    std::string CueString = "00:00:00:00";
    std::string EndString = "00:00:00:00";
    CommandFrames::Frame<7> cueFrame = bscue;

    std::unique_ptr<DeckPanel> localgui;
    std::atomic<bool> closing{false};
    std::thread closer; // the close sequence, once the window was closed
    std::unique_ptr<TCThread> tcthread;
    // Guards tcthread, which the operator-action thread sets while others look at it.
    std::mutex pollerMutex;
    // Declared last: destroyed first, so no action runs on a half-destroyed controller.
    ActionThread actions;
};
