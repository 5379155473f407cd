#pragma once

#include "DeckPanel.h"
#include "LocalVCR.h"

#include <memory>

// A main window that shows nothing, for the benchmarks' controllers.
class NullPanel : public DeckPanel {
public:
    void ShowTC(const std::string&) override {}
    void ShowStatus(const std::string&) override {}
    void showTimeLive(bool) override {}
    void showMarks(const std::vector<Mark>&) override {}
    void showWindow() override {}
    void enableLogger(bool) override {}
    void openLogger() override {}
    void logMark(bool) override {}
    void setClipboard(const std::string&) override {}
    void lockCueControls(bool) override {}
    TimeTexts& texts() override { return t; }

private:
    TimeTexts t;
};

inline LocalVCR::PanelFactory headless() {
    return [](LocalVCR&) { return std::make_unique<NullPanel>(); };
}
