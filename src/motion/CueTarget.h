#pragma once

#include "ClientLine.h"
#include "ReviewWatch.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>

// The deck controller's state that cue runs, the poller, the window and the command sources share.
// Each field is read and written from several threads; every read sees the latest write.
struct CueState {
    std::atomic<bool> cueup{false};          // cue-up complete, from the deck or the run
    std::atomic<bool> cueplayFlag{false};    // the run plays once cued
    std::atomic<bool> reviewclipFlag{false}; // the run stops again at the out point
    std::atomic<bool> scriptactive{false};   // a script or a run of reviews goes on
    std::atomic<int> startframes{0};
    std::atomic<int> endframes{0};
    std::atomic<int> tcframes{0}; // the deck's time as the poller last read it
    std::atomic<int> duration{0};
    // Counts the operator's stops of motion (every transport command but play, pause and the
    // shuttles, and the Stop pressed): a review that began before the last one is called off.
    std::atomic<unsigned> motionStops{0};
    ReviewWatch outPoint; // the out point of the review playing now, read by the poller
};

// What a cue run needs of the deck controller.
class CueTarget {
public:
    virtual ~CueTarget() = default;
    virtual CueState& cueState() = 0;
    // The frames a run sends through the deck link, from the controller's command table; the
    // replies are not looked at.
    enum class Transport { Pause, Play, Stop };
    virtual void sendFrame(std::span<const std::uint8_t> frame) = 0;
    // Holds the deck link between exchanges (the holder's own exchanges go on): a run checks
    // under it that it was not called off, so nothing of it goes out after what called it off.
    virtual std::unique_lock<std::recursive_mutex> holdLink() = 0;
    virtual void sendTransport(Transport command) = 0;
    virtual void ShowStat(const std::string& text) = 0;
    // Disables (locked) or enables the four cue buttons and makes the in and out fields
    // read-only or editable again.
    virtual void lockCueControls(bool locked) = 0;
    virtual void TellTCReview(bool flag) = 0;
    // The deck played forward at the last status read.
    virtual bool deckPlaying() const = 0;
    // The network client connected now, or nothing.
    virtual std::shared_ptr<ClientLine> client() = 0;
    // Sleeps the run's waits go through when set (tests count them); else the run sleeps itself.
    virtual bool cueDelay(int ms) { return (void)ms, false; }
};
