#pragma once

#include "DeckState.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// The deck controller as the command language and the script runner drive it.
class CommandTarget {
public:
    virtual ~CommandTarget() = default;

    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void stop() = 0;
    virtual void forward() = 0;
    virtual void rewind() = 0;
    virtual void record() = 0;
    virtual void reporttc() = 0;
    virtual void reportstatus() = 0;
    // The cue motions: false when the in or out text is not a timecode (nothing was sent).
    virtual bool cue() = 0;
    virtual bool cueout() = 0;
    virtual void jogf() = 0;
    virtual void jogr() = 0;
    virtual void fasttwo() = 0;
    virtual void fastfive() = 0;
    virtual void slowfifth() = 0;
    virtual void slowthird() = 0;
    virtual void slowhalf() = 0;
    virtual bool cueplay() = 0;
    virtual void eeon() = 0;
    virtual void eeoff() = 0;
    virtual bool reviewclip() = 0;
    virtual void sbyon() = 0;
    virtual void sbyoff() = 0;

    // Capture from the log: "CaptureAll" captures the newest logger's clips, "CaptureFailed"
    // those of the last batch that did not end done, "CaptureStatus" answers where the capture
    // stands. While one runs, every other command but "GetTC" and "Status" is refused
    // (refuseForCapture says so).
    virtual bool captureAll() { return false; }
    virtual bool captureFailed() { return false; }
    virtual void reportcapture() {}
    virtual bool captureRunning() const { return false; }
    virtual void refuseForCapture() {}

    // What the HyperDeck front end needs besides: a cue to a time text that leaves the window's
    // in and out points alone (false when the text is not a timecode: nothing was sent), a
    // shuttle at a speed byte, the deck as last read, and a watcher told after each poll cycle,
    // on the poller's thread, so it must be quick ({} takes it away; on return no call is in
    // progress).
    virtual bool cueTo(const std::string&) { return false; }
    virtual void shuttle(bool /*reverse*/, int /*speedByte*/) {}
    virtual DeckState deckState() { return {}; }
    virtual void watchDeckState(std::function<void()>) {}
    // Cue and roll: a play asked for while a cue run winds goes out once the deck is cued, as
    // Cue/Play's does (false when no cue run is before its play: nothing was done). Any other
    // transport command calls the cue off first.
    virtual bool rollWhenCued() { return false; }
    virtual void callOffCue() {}
    // Where a cue run that has not come to its play is going, as a frame count; nothing when none
    // is.
    virtual std::optional<int> cueUnderWay() { return std::nullopt; }
    // Plays a clip from where the deck is (or, while a cue run winds, from its point once cued)
    // and stops it one frame before the out point, as a review does; a loop then cues back to the
    // in point and plays the clip again each time, until a transport command but a play calls it
    // off. False when the deck cannot be driven (nothing was sent).
    virtual bool playClip(const LoggedClip&, bool /*loop*/) { return false; }
    // The open logger's clips; none while no logger is open.
    virtual std::vector<LoggedClip> loggedClips() { return {}; }
    // While a client listens for transport changes, the status is read every poll cycle rather
    // than every eighth.
    virtual void readStatusOften(bool) {}
    // Whether a HyperDeck client's "record" may record (the setting HyperDeckRecord=YES).
    virtual bool hyperDeckRecordAllowed() const { return false; }

    // "LoadList <path>": the list at path into the logger, opened when none is, with no dialog;
    // returns once it is loaded or refused. False when the line is not understood.
    virtual bool loadList(const std::string& /*path*/) { return false; }

    // The in and out points of the main window.
    virtual void setCueField(const std::string& text) = 0;
    virtual void setEndField(const std::string& text) = 0;
    // A Wait line's sleep: ends early when the operator stops a running script.
    virtual void waitFor(int ms) = 0;

    // The script runner's view.
    virtual void setscriptactive(bool on) = 0;
    virtual bool operatorStopped() = 0;
    virtual void clearOperatorStop() = 0;
    // A plain pause of the calling thread.
    virtual void DelayT(int ms) = 0;
};
