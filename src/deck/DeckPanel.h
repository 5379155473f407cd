#pragma once

#include "ReplyDecoding.h"
#include "TimeTexts.h"

#include <string>

// What the deck controller needs of the main window. Every operation may be called from any
// thread; the window carries it out on its own thread.
class DeckPanel {
public:
    virtual ~DeckPanel() = default;
    virtual void ShowTC(const std::string& text) = 0;
    virtual void ShowStatus(const std::string& text) = 0;
    virtual void clearbuttons() = 0;
    virtual void hilight(Mark mark) = 0;
    // Shows the window again, bringing it to the front.
    virtual void showWindow() = 0;
    virtual void enableLogger(bool on) = 0;
    virtual void setClipboard(const std::string& text) = 0;
    virtual TimeTexts& texts() = 0;
};
