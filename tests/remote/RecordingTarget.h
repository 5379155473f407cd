#pragma once

#include "CommandTarget.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// A controller that only notes what it was asked to do, in order: "play", "cue", "in=...",
// "wait 5000", "active=1", "delay 1000".
class RecordingTarget : public CommandTarget {
public:
    void play() override { note("play"); }
    void pause() override { note("pause"); }
    void stop() override { note("stop"); }
    void forward() override { note("forward"); }
    void rewind() override { note("rewind"); }
    void record() override { note("record"); }
    void reporttc() override { note("reporttc"); }
    void reportstatus() override { note("reportstatus"); }
    bool cue() override { return motion("cue"); }
    bool cueout() override { return motion("cueout"); }
    void jogf() override { note("jogf"); }
    void jogr() override { note("jogr"); }
    void fasttwo() override { note("fasttwo"); }
    void fastfive() override { note("fastfive"); }
    void slowfifth() override { note("slowfifth"); }
    void slowthird() override { note("slowthird"); }
    void slowhalf() override { note("slowhalf"); }
    bool cueplay() override { return motion("cueplay"); }
    void eeon() override { note("eeon"); }
    void eeoff() override { note("eeoff"); }
    bool reviewclip() override { return motion("reviewclip"); }
    void sbyon() override { note("sbyon"); }
    void sbyoff() override { note("sbyoff"); }
    void setCueField(const std::string& text) override { note("in=" + text); }
    void setEndField(const std::string& text) override { note("out=" + text); }
    void waitFor(int ms) override {
        note("wait " + std::to_string(ms));
        if (onWait) onWait();
    }
    void setscriptactive(bool on) override {
        active = on;
        note(on ? "active=1" : "active=0");
    }
    bool operatorStopped() override { return stopRequested; }
    void clearOperatorStop() override { stopRequested = false; }
    void DelayT(int ms) override { note("delay " + std::to_string(ms)); }
    bool captureRunning() const override { return capturing; }
    void refuseForCapture() override { note("refused"); }
    bool cueTo(const std::string& time) override { return motion("cueTo " + time); }
    void shuttle(bool reverse, int speedByte) override {
        note(std::string("shuttle ") + (reverse ? "-" : "+") + std::to_string(speedByte));
    }
    DeckState deckState() override { return state; }
    bool hyperDeckRecordAllowed() const override { return recordAllowed; }

    std::vector<std::string> calls() const {
        std::lock_guard lock(mutex);
        return done;
    }
    void clear() {
        std::lock_guard lock(mutex);
        done.clear();
    }

    bool textsValid = true;       // what the cue motions answer
    std::function<void()> onWait; // runs inside a wait (the operator's stop, say)
    std::function<void()> onPlay; // runs inside play (a failure, say)
    std::atomic<bool> active{false};
    std::atomic<bool> capturing{false};     // a capture runs
    std::atomic<bool> recordAllowed{false}; // the setting HyperDeckRecord=YES
    DeckState state;                        // what deckState() gives
    std::atomic<bool> stopRequested{false};

private:
    void note(const std::string& call) {
        {
            std::lock_guard lock(mutex);
            done.push_back(call);
        }
        if (call == "play" && onPlay) onPlay();
    }
    bool motion(const std::string& call) {
        note(call);
        return textsValid;
    }

    mutable std::mutex mutex; // guards done
    std::vector<std::string> done;
};
