#pragma once

#include "CmxCommentLine.h"
#include "EventList.h"

#include <array>
#include <map>
#include <optional>
#include <string>

// What the comment lines after the events of a list give them: tapes, notes and good-take marks.
// A tape said before the first event line is the log's and every clip's; one said after an event
// is that event's, and in a CMX list also the later events' of the same reel that say none.
class EventComments {
public:
    // ownLayout: whether the list is in the logger's own layout, as far as it has been read.
    EventComments(EventList& events, const bool& ownLayout)
        : events(events), ownLayout(ownLayout) {}

    // An event was stored at index k, from a line whose reel column holds reel: its tape is the
    // reel's ("AX": none), or the whole tape last said with that reel.
    void event(int k, const std::string& reel);
    // An event line that gave no clip: the comments after it, up to the next event line, say
    // nothing of any.
    void noClip();
    // The event stored at index k proved to be no clip and was taken back.
    void forget(int k);
    // What a tape, notes or good-take comment says of the event it follows (notes from several
    // comments joined with a blank); other comments say nothing here.
    void said(CmxComment kind, const std::string& text);
    // The tapes of the stored events that said none, and the log's tape: the one said before
    // the first event, else the title where a CMX list's title names one of its clips' tapes
    // (KOLB writes the log's tape there), else the last event's.
    void finish(int stored, const std::string& title);

private:
    EventList& events;
    const bool& ownLayout;
    int current = -1;     // the event the comments are of; -1 when none
    bool started = false; // an event line was read
    std::optional<std::string> logTape;
    std::array<bool, EventList::size> ownTape{};    // the event said its own tape
    std::array<std::string, EventList::size> reels; // each event's reel column
    std::map<std::string, std::string> saidWith;    // a reel's whole tape, as last said
};
