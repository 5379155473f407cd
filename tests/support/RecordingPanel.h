#pragma once

#include "DeckPanel.h"

#include <mutex>
#include <string>
#include <vector>

// A headless main window that remembers what the controller showed on it.
class RecordingPanel : public DeckPanel {
public:
    void ShowTC(const std::string& text) override { add(times, text); }
    void ShowStatus(const std::string& text) override { add(statuses, text); }
    void showTimeLive(bool live) override {
        std::lock_guard lock(mutex);
        timeLive.push_back(live);
    }
    void showMarks(const std::vector<Mark>& shown) override {
        std::lock_guard lock(mutex);
        marks = shown;
        ++markCalls;
    }
    void showWindow() override {
        std::lock_guard lock(mutex);
        ++shows;
    }
    void enableLogger(bool on) override {
        std::lock_guard lock(mutex);
        loggerEnabled = on;
    }
    void openLogger() override {}
    void logMark(bool out) override { add(logMarks, out ? "out" : "in"); }
    void setClipboard(const std::string& text) override { add(clipboard, text); }
    void lockCueControls(bool locked) override {
        std::lock_guard lock(mutex);
        locks.push_back(locked);
    }
    TimeTexts& texts() override { return timeTexts; }

    std::vector<std::string> getTimes() const { return get(times); }
    std::vector<std::string> getStatuses() const { return get(statuses); }
    std::vector<std::string> getClipboard() const { return get(clipboard); }
    std::vector<std::string> getLogMarks() const { return get(logMarks); }
    std::vector<Mark> getMarks() const {
        std::lock_guard lock(mutex);
        return marks;
    }
    bool getLoggerEnabled() const {
        std::lock_guard lock(mutex);
        return loggerEnabled;
    }
    // Every lock (true) and unlock (false) of the cue controls, in order.
    std::vector<bool> getLocks() const {
        std::lock_guard lock(mutex);
        return locks;
    }
    // Every change of the time display between live (true) and greyed (false), in order.
    std::vector<bool> getTimeLive() const {
        std::lock_guard lock(mutex);
        return timeLive;
    }
    int getMarkCalls() const {
        std::lock_guard lock(mutex);
        return markCalls;
    }
    int getShows() const {
        std::lock_guard lock(mutex);
        return shows;
    }

private:
    void add(std::vector<std::string>& list, const std::string& text) {
        std::lock_guard lock(mutex);
        list.push_back(text);
    }
    std::vector<std::string> get(const std::vector<std::string>& list) const {
        std::lock_guard lock(mutex);
        return list;
    }

    // Guards everything recorded.
    mutable std::mutex mutex;
    std::vector<std::string> times, statuses, clipboard, logMarks;
    std::vector<Mark> marks;
    std::vector<bool> locks;
    std::vector<bool> timeLive;
    int markCalls = 0;
    int shows = 0;
    bool loggerEnabled = false;
    TimeTexts timeTexts;
};
