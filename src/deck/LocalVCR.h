#pragma once

#include "AckedTransport.h"
#include "ActionThread.h"
#include "CaptureControl.h"
#include "CaptureDeck.h"
#include "CommandFrames.h"
#include "CommandTarget.h"
#include "CueControlLock.h"
#include "CueRunSlot.h"
#include "CueThread.h"
#include "DeckCondition.h"
#include "DeckPanel.h"
#include "HyperDeckServer.h"
#include "ListCommand.h"
#include "NetServer.h"
#include "SerInPort.h"
#include "SerOutPort.h"
#include "ServerTarget.h"
#include "Settings.h"
#include "StopSignal.h"
#include "TCThread.h"
#include "TransportMemory.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

// The deck controller: every command source drives the deck through it. It owns the main
// window (through the DeckPanel it is given), the timecode poller and the operator-action
// thread on which window actions that talk to the deck or wait run in order.
class LocalVCR : public PollTarget,
                 public CueTarget,
                 public CommandTarget,
                 public CueState,
                 public CommandFrames,
                 public ZamTarget,
                 public ServerTarget {
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

    // Sending. A command the deck refuses (a NAK) shows and logs "Deck refused <command>
    // (<reasons>)"; a refused time or status sense counts as no reply.
    DeckReply CommandB0(std::span<const std::uint8_t> frame);
    // A message for the status field: it stays at least 3 seconds before the status words
    // replace it.
    void ShowStat(const std::string& text) override;
    // The status field's text as the controller last set it.
    std::string shownStatus();
    // The window wrote the status field itself (a pressed button's name): a condition on show
    // (LOCAL, no tape, a silent deck) is shown again once a message's time is over.
    void statusWrittenByWindow();
    // No time reply for a second: the time display is greyed.
    bool deckSilent();
    // The network server: listens on the port at the "NetAddress" setting, showing
    // "Server Socket Opened OK at Port " or "Can't Get ServerSocket at Port " and the port.
    // A server already open stays when a new one cannot be opened.
    bool OpenServerSocket(int port);
    // Starts serving clients on the server last opened.
    void ServeClients();
    // The HyperDeck protocol front end, on "HyperDeckPort" at "HyperDeckAddress"; says where it
    // listens, or why it cannot.
    bool OpenHyperDeck();
    // The port it listens on (the setting 0 takes any free port), or 0.
    int hyperDeckPort();
    // The port the server listens on (the setting 0 takes any free port), or 0.
    int serverPort();
    // The network hook of a closing connection: no effect.
    void CommandB5() override {}
    void setscriptactive(bool on) override { scriptactive = on; }
    bool getscriptactive() const { return scriptactive; }

    // Transport (each sends exactly one frame).
    void play() override;
    void pause() override;
    void stop() override;
    void rewind() override;
    void forward() override;
    void slowfifth() override;
    void slowthird() override;
    void slowhalf() override;
    void fasttwo() override;
    void fastfive() override;
    void jogr() override;
    void jogf() override;
    void eeon() override;
    void eeoff() override;
    void sbyon() override;
    void sbyoff() override;
    void record() override;
    void shutfwd(int speed);
    void shutrev(int speed);
    void SettleDown();
    // How many transport frames (group 2x: motion, shuttle, jog, cue) went to the deck so far,
    // from any source.
    unsigned transportFrames() const { return transportCount; }
    // The deck stands (stopped or a still picture): from the last transport command it
    // acknowledged, or a status read since (TransportMemory); true before any.
    bool deckAtRest() const { return transport.atRest(); }
    // The timecode rate in use: the "FrameRate" setting's, or for AUTO what the deck gave at
    // start-up (30 until then, and for a deck that does not say).
    timecode::Rate rate() const;
    // The deck played forward at the last status read.
    bool deckPlaying() const override { return playing; }

    // Sense requests and their decoding.
    void CommandB8() override;
    void CommandStatus() override;
    void status() { CommandStatus(); }
    std::string ExtractStatusString(std::span<const std::uint8_t> reply);
    void reporttc() override;
    void reportstatus() override;
    // What a client's "Status" is told: the lost link's or silent deck's text, else the words.
    std::string statusAnswer();

    // The poller.
    void GetTC();
    void TellTCReview(bool flag) override;
    // The poller, or nothing before start-up has made it.
    TCThread* poller();

    // Cueing and review. A motion whose in or out text is not a timecode shows
    // "Invalid Timecode: " and the text, sends no cue frame and returns false.
    bool cue() override;
    bool cueout() override;
    bool cueplay() override;
    // Stop, then play the clip from the in point to the out point. While a script runs, returns
    // only once the review has stopped the deck at its out point.
    bool reviewclip() override;
    // The cue frame from the in field's text (kept as the cue string), or from the out field's.
    bool MakeCueString();
    bool MakeCueOutString();
    void setreview() { MakeReviewString(); }
    void MakeReviewString() {}
    // Starts a cue run with the cue frame when the deck port is open. A run still going on is
    // called off first, and its end waited for.
    void CueUp();
    // The newest cue run, or nothing before the first.
    std::shared_ptr<CueThread> cuethread();

    // The edit logger: opened by the window's logger button. Once one has been opened, the
    // marks go to the newest, even after it was closed.
    void CommandBLogger();
    bool hasLogger() const { return loggerOpened; }
    // "LoadList" (ListCommand).
    bool loadList(const std::string& path) override {
        LoadListCommand(*this, path);
        return true;
    }
    void setin() override {
        if (loggerOpened) localgui->logMark(false);
    }
    void setout() override {
        if (loggerOpened) localgui->logMark(true);
    }

    // Capture from the log (CaptureControl); while a batch runs, the other command sources are
    // refused with "Capture running".
    CaptureControl& capture() { return *capturing; }
    bool captureRunning() const override { return capturing && capturing->running(); }
    bool captureAll() override {
        capturing->captureAll();
        return true;
    }
    bool captureFailed() override {
        capturing->captureFailed();
        return true;
    }
    void reportcapture() override { capturing->report(); }
    void refuseForCapture() override;
    // The capture's view: each time read goes to the watcher in the poller's cycle; {} takes
    // it away once no call is in progress.
    void watchReads(std::function<void(const DeckRead&)> watcher);
    // Not LOCAL, a tape in, the link up and the deck answering.
    bool underControl();
    bool onActionThread() const { return actions.onThisThread(); }

    // The command language and the script file.
    bool ParseNetCommand(const std::string& line) override;
    void script();
    // The operator's Stop, at the press: a review starting or playing is called off at once,
    // and a running script ends after the line in progress.
    void requestOperatorStop();
    // The cue controls are locked: a cue motion is starting or a run goes on.
    bool cueControlsLocked() const { return cueLock.held(); }

    // The network client that the cue runs report to (none until a client connects).
    void setClient(std::shared_ptr<ClientLine> client) override;
    // Tests count the cue runs' sleeps through this instead of sleeping.
    void setCueDelay(std::function<bool(int)> delay) { cueDelayHook = std::move(delay); }

    void DelayT(int ms) override;

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

    std::atomic<bool> preroll{false};

    // What the cue runs and the command language need of the controller.
    CueState& cueState() override { return *this; }
    void sendFrame(std::span<const std::uint8_t> frame) override { CommandB0(frame); }
    std::unique_lock<std::recursive_mutex> holdLink() override { return sop.holdExchanges(); }
    void sendTransport(Transport command) override;
    void lockCueControls(bool locked) override;
    std::shared_ptr<ClientLine> client() override;
    bool operatorStopped() override { return operatorStop.requested(); }
    void clearOperatorStop() override { operatorStop.clear(); }
    bool cueDelay(int ms) override;
    void setCueField(const std::string& text) override;
    void setEndField(const std::string& text) override;
    void waitFor(int ms) override { operatorStop.sleepFor(ms); }

    // What the HyperDeck front end needs (RemoteOperations.cpp).
    bool cueTo(const std::string& text) override;
    void shuttle(bool reverse, int speedByte) override;
    DeckState deckState() override;
    void watchDeckState(std::function<void()> watcher) override;
    bool rollWhenCued() override;
    void callOffCue() override;
    std::optional<int> cueUnderWay() override;
    bool playClip(const LoggedClip& clip, bool loop) override;
    std::vector<LoggedClip> loggedClips() override;
    void readStatusOften(bool on) override { statusOftenOn = on; }
    bool statusOften() const override { return statusOftenOn; }
    bool hyperDeckRecordAllowed() const override { return settings.hyperdeckRecord; }

private:
    void startup();
    // AUTO: the device type gives 25 or 30; at 30 the first time reply's DF flag decides
    // drop-frame. A missing or late reply is asked for again, deviceTypeTries in all; a type
    // not known stays at 30 and says how to set 25.
    void detectRate();
    static constexpr int deviceTypeTries = 3;
    // The rate to decode a time reply at; the first one after detection settles drop-frame.
    timecode::Rate rateFor(const DeckReply& reply);
    void setRate(timecode::Rate rate);
    void vantoSetup();
    // The external controller's reader on the second port; a port that cannot be opened ends
    // the program. False then.
    bool startSecondPort();
    // The poller's status words, and the deck states of the same reading.
    void showWords(const std::string& text);
    void showReading(const StatusReading& reading);
    // After each time read: the link's state, a silence that has begun, a message whose time
    // is up.
    void watchDeck();
    // Carries out what the deck's condition asks; under conditionMutex.
    void apply(const DeckCondition::Change& change);
    // The operator stopped motion: a review starting or playing ends now.
    void callOffReview();
    // Starts a cue run (CueUp) for a motion asked for when motionStops was `stops`.
    void startRun(unsigned stops, CueThread::Plan plan = {false, false, false},
                  std::optional<CueThread::Frame> firstCue = std::nullopt);
    // Sends a transport frame, then leaves any cue-and-play or review (SettleDown).
    void sendThenSettle(std::span<const std::uint8_t> frame);
    // Sets the run's mode, prepares the cue frame and starts the run; false when the text was
    // refused.
    bool cueWith(bool play, bool (LocalVCR::*prepare)());
    // The cue frame for a point's text, which is kept (as the cue or end string) when valid.
    bool prepareCue(const std::string& text, std::string& kept);
    void closeSequence();
    // The jog, var and shuttle frames and E-E, as they go to the deck.
    void noteSent(std::span<const std::uint8_t> frame);
    // After each status reading: the state watcher is told.
    void tellStateWatcher();

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
    std::vector<std::uint8_t> statusBytes; // of the latest status reply
    std::string CueString = "00:00:00:00";
    std::string EndString = "00:00:00:00";
    CommandFrames::Frame<7> cueFrame = bscue;

    std::unique_ptr<DeckPanel> localgui;
    // Guards condition; held while its changes are shown and logged, so they come in order.
    std::mutex conditionMutex;
    DeckCondition condition;
    // Guards connectthread.
    std::mutex cueMutex;
    std::shared_ptr<ClientLine> connectthread;
    CueRunSlot runSlot;
    CueControlLock cueLock{[this](bool locked) { localgui->lockCueControls(locked); }};
    std::function<bool(int)> cueDelayHook;
    StopSignal operatorStop;
    std::atomic<bool> closing{false};
    std::atomic<unsigned> transportCount{0};
    TransportMemory transport;
    // The transport memory's generation when the status request in progress went out.
    std::atomic<unsigned> statusRequestedAt{0};
    std::atomic<bool> playing{false};
    // The rate in use as one lock-free number: frames per second, times 2, plus 1 for drop-frame.
    static constexpr int RateCode(timecode::Rate r) { return r.fps * 2 + (r.dropFrame ? 1 : 0); }
    std::atomic<int> rateInUse{RateCode(timecode::rate30)};
    std::atomic<bool> dropFramePending{false};
    std::atomic<bool> loggerOpened{false};
    std::atomic<bool> deckLocal{false};
    std::atomic<bool> deckNoTape{false};
    // Guards readWatcher; held through each call of it.
    std::mutex watcherMutex;
    std::function<void(const DeckRead&)> readWatcher;
    std::unique_ptr<CaptureControl> capturing;
    std::unique_ptr<ZamTarget> zamGate; // the second port's way in, refused while capturing
    std::thread closer;                 // the close sequence, once the window was closed
    std::unique_ptr<TCThread> tcthread;
    std::unique_ptr<SerInPort> sip; // set once by start-up, on the operator-action thread
    // Guards ss.
    std::mutex serverMutex;
    std::unique_ptr<NetServer> ss;
    std::unique_ptr<HyperDeckServer> hyperdeck; // guarded by serverMutex too
    // Guards stateWatcher; held through each call of it.
    std::mutex stateWatcherMutex;
    std::function<void()> stateWatcher;
    // The last jog, var or shuttle frame's bytes 0 to 2, packed; E-E last switched on.
    std::atomic<std::uint32_t> lastMotion{0};
    std::atomic<bool> eeOn{false};
    AckedTransport acked;
    std::atomic<unsigned> ackedRequestedAt{0}; // acked's count when the status request went out
    std::atomic<bool> statusOftenOn{false};
    // Guards tcthread, which the operator-action thread sets while others look at it.
    std::mutex pollerMutex;
    // Declared last: destroyed first, so no action runs on a half-destroyed controller.
    ActionThread actions;
};
