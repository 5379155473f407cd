#pragma once

#include "CmxCommentLine.h"
#include "CmxEventLine.h"
#include "EdlReader.h"
#include "EventComments.h"
#include "EventList.h"
#include "Timecode.h"

#include <array>
#include <optional>
#include <string>

// How the event lines of another system's CMX list become clips. A dissolve, wipe or key is the
// event line of its outgoing side (a cut, mostly of no length: no clip, then) and the line of its
// incoming side right after it; a "FROM CLIP NAME" comment after the incoming side names the
// outgoing one, "TO CLIP NAME" (after either line) the incoming one. A transition line after a
// clip of another event stands alone, and names itself as a cut does. Black (reel BL or BLACK) and
// a source of no timecode (in and out zero while the record side has a length) are no clips
// either; each of these is counted in the read's passedOver. A clip's name is its reel until a
// name comment says it (the first one that does); its tape and the rest come from the comments.
class CmxClips {
public:
    CmxClips(EventList& events, EventComments& comments, EdlRead& result)
        : events(events), comments(comments), result(result) {}

    // An event line whose source times count at the rate; false, with nothing stored, when it
    // is a clip past the last event.
    bool event(const CmxEventLine& line, timecode::Rate rate);
    // A line that was meant as an event line and gave nothing.
    void noClip();
    void comment(const CmxCommentLine& comment);

private:
    // What an event index held before a clip was stored there.
    struct Held {
        std::string name, in, out, tape, notes;
        bool good = false;
    };

    void name(int k, const std::string& text);
    void takeBack(int k);

    EventList& events;
    EventComments& comments;
    EdlRead& result;
    int current = -1;           // the clip stored from the last event line, or -1
    int outgoing = -1;          // the clip of a transition's outgoing side, or -1
    bool incoming = false;      // the last event line is the incoming side of a two-line transition
    std::string lastNumber;     // the event number of the last event line
    bool zeroLengthCut = false; // the clip current is a cut of no length
    Held held;                  // what the clip current's index held before it
    std::optional<std::string> pendingTo;      // a TO CLIP NAME said before its incoming side
    std::array<bool, EventList::size> named{}; // a name comment named the clip
};
