// Reviews of logged clips on the deck: which clips are handed over, in what order, and that every
// way a review sequence ends clears the script flag.
#include "LoggerTesting.h"
#include "RecordingTarget.h"
#include "ReviewSequence.h"
#include "Timecode.h"

#include <stdexcept>

namespace {

// A recording deck on which the operator stops, or the port fails, during clip n (from 1).
struct ReviewingTarget : RecordingTarget {
    bool reviewclip() override {
        const bool valid = RecordingTarget::reviewclip();
        if (++clips == stopAt) stopRequested = true;
        if (clips == failAt) throw std::runtime_error("port closed");
        return valid;
    }
    int clips = 0, stopAt = 0, failAt = 0;
};

} // namespace

TEST(Review, RevAllReviewsEachEventUpToTheFirstUntimedOneAndAtMost99) {
    EventList threeThenGap = timedLog(5);
    threeThenGap.SrcOutArray[3] = timecode::zero;
    EventList dropFrameGap = timedLog(5);
    dropFrameGap.SrcOutArray[2] = "00:00:00;00";
    const struct {
        EventList events;
        int reviewed;
        std::string said; // where and why it ended
    } cases[] = {
        {threeThenGap, 3,
         "RevALL ended at event 004: it has no out point. 3 clips reviewed; 1 clip after it was "
         "not: review each with R or its number."},
        {dropFrameGap, 2,
         "RevALL ended at event 003: it has no out point. 2 clips reviewed; 2 clips after it were "
         "not: review each with R or its number."},
        {EventList::initial(), 0,
         "RevALL ended at event 001: it has no out point. 0 clips reviewed."},
        {timedLog(EventList::size), 99,
         "RevALL ended after event 099, the last it reviews. 99 clips reviewed."}};
    for (const auto& c : cases) {
        Console console;
        RecordingTarget deck;
        std::vector<int> told;
        EXPECT_EQ(RevAllEndText(RevAll(deck, c.events, [&](int k) { told.push_back(k); })), c.said);
        EXPECT_EQ(static_cast<int>(told.size()), c.reviewed) << "each clip told as it starts";
        Lines calls = {"active=1"}, lines;
        for (int i = 0; i < c.reviewed; ++i) {
            calls.insert(calls.end(), {"in=" + c.events.SrcInArray[i],
                                       "out=" + c.events.SrcOutArray[i], "reviewclip"});
            lines.push_back("Review EDL Clip " + std::to_string(i + 1));
        }
        calls.push_back("active=0");
        EXPECT_EQ(deck.calls(), calls) << c.reviewed;
        EXPECT_EQ(console.lines, lines);
        EXPECT_FALSE(deck.active.load());
    }
}

TEST(Review, EveryEndOfRevAllClearsTheScriptFlag) {
    const struct {
        int stopAt, failAt;
        bool valid;
        Lines console;
        std::string said;
    } cases[] = {
        {2,
         0,
         true,
         {"Review EDL Clip 1", "Review EDL Clip 2", "Script stopped by the operator"},
         "RevALL stopped by the operator during event 002. 2 clips reviewed."},
        {0,
         0,
         false,
         {"Review EDL Clip 1", "RevALL ended: invalid timecode in event 1"},
         "RevALL ended at event 001: its in or out is not a timecode. Mend it, then review "
         "again. 0 clips reviewed."},
        {0,
         2,
         true,
         {"Review EDL Clip 1", "Review EDL Clip 2", "RevALL ended by an error"},
         "RevALL ended by an error at event 002. 1 clip reviewed."},
    };
    for (const auto& c : cases) {
        Console console;
        ReviewingTarget deck;
        deck.stopAt = c.stopAt;
        deck.failAt = c.failAt;
        deck.textsValid = c.valid;
        EXPECT_EQ(RevAllEndText(RevAll(deck, timedLog(5))), c.said);
        EXPECT_EQ(console.lines, c.console);
        EXPECT_FALSE(deck.active.load()) << c.console.back();
        EXPECT_FALSE(deck.stopRequested.load()) << c.console.back();
        EXPECT_EQ(deck.calls().back(), "active=0");
    }
}

TEST(Review, ReviewEventHandsOverOneEvent) {
    const EventList events = timedLog(EventList::size);
    for (const int k : {0, 41, 99}) {
        Console console;
        RecordingTarget deck;
        ReviewEvent(deck, events, k);
        EXPECT_EQ(deck.calls(), (Lines{"in=" + events.SrcInArray[k], "out=" + events.SrcOutArray[k],
                                       "reviewclip"}));
        EXPECT_EQ(console.lines, Lines{"Review EDL Clip " + std::to_string(k + 1)});
    }
}
