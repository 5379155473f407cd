#include "EventComments.h"

#include "TableList.h"

#include <algorithm>

void EventComments::event(int k, const std::string& reel) {
    started = true;
    current = k;
    reels[k] = reel;
    events.NotesArray[k].clear();
    events.GoodArray[k] = false;
    const auto said = saidWith.find(reel);
    // The logger's own layout has names in the reel column; its clips take the log's tape.
    if (logTape || ownLayout)
        events.TapeArray[k].clear();
    else
        events.TapeArray[k] = said != saidWith.end() ? said->second : reel == "AX" ? "" : reel;
}

void EventComments::noClip() {
    started = true;
    current = -1;
}

void EventComments::forget(int k) {
    ownTape[k] = false;
    reels[k].clear();
    current = -1;
}

void EventComments::said(CmxComment kind, const std::string& text) {
    if (kind == CmxComment::Tape && !started) {
        logTape = text;
    } else if (current < 0) {
        return;
    } else if (kind == CmxComment::Tape) {
        events.TapeArray[current] = text;
        ownTape[current] = true;
        saidWith[reels[current]] = text;
    } else if (kind == CmxComment::Comment) {
        std::string& notes = events.NotesArray[current];
        // Appended piece by piece: GCC 12 at -O3 warns (-Wrestrict, wrongly) on operator+ here.
        if (!notes.empty()) notes.push_back(' ');
        notes.append(text);
    } else if (kind == CmxComment::GoodTake) {
        events.GoodArray[current] = IsYesWord(text);
    }
}

void EventComments::finish(int stored, const std::string& title) {
    for (int k = 0; k < stored; ++k)
        if (logTape && !ownTape[k]) events.TapeArray[k] = events.touched(k) ? *logTape : "";
    const auto first = events.TapeArray.begin();
    if (logTape)
        events.tape = *logTape;
    else if (!ownLayout && !title.empty() &&
             std::find(first, first + stored, title) != first + stored)
        events.tape = title;
    else if (stored > 0)
        events.tape = events.TapeArray[stored - 1];
}
