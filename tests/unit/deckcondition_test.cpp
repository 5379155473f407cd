#include "DeckCondition.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace {
using DC = DeckCondition;

enum class Op { Msg, Words, State, Time, Lost, Restored, Watch, Tick, Elsewhere };

// One call at a time offset and what the owner must be told after it. For State the argument
// holds 'L' for LOCAL and 'T' for no tape.
struct Step {
    int ms;
    Op op;
    std::string arg;
    const char* status; // nullptr: the field is left alone
    std::vector<std::string> log;
    std::optional<bool> live;
    bool clearMarks;
};

struct Timeline {
    const char* name;
    std::vector<Step> steps;
};

const std::optional<bool> same;
const char* const none = nullptr;
const std::string silent = DC::silentText;

DC::Change run(DC& dc, const Step& s) {
    const auto now = DC::Clock::time_point{} + std::chrono::milliseconds(s.ms);
    switch (s.op) {
    case Op::Msg:
        return dc.message(s.arg, now);
    case Op::Words:
        return dc.words(s.arg, now);
    case Op::State:
        return dc.deckState(s.arg.find('L') != std::string::npos,
                            s.arg.find('T') != std::string::npos, now);
    case Op::Time:
        return dc.timeDecoded(now);
    case Op::Lost:
        return dc.linkState(true, s.arg, now);
    case Op::Restored:
        return dc.linkState(false, "", now);
    case Op::Watch:
        dc.watchFrom(now);
        return {};
    case Op::Tick:
        return dc.tick(now);
    case Op::Elsewhere:
        return dc.writtenElsewhere(now);
    }
    return {};
}

class DeckConditionTimeline : public testing::TestWithParam<Timeline> {};

TEST_P(DeckConditionTimeline, EachCallTellsTheOwnerExactlyWhatChanged) {
    DC dc;
    int n = 0;
    for (const Step& s : GetParam().steps) {
        SCOPED_TRACE("step " + std::to_string(n++) + " at " + std::to_string(s.ms) + " ms");
        const DC::Change c = run(dc, s);
        const auto status = s.status ? std::optional<std::string>(s.status) : std::nullopt;
        EXPECT_EQ(c.status, status);
        EXPECT_EQ(c.log, s.log);
        EXPECT_EQ(c.live, s.live);
        EXPECT_EQ(c.clearMarks, s.clearMarks);
    }
}

const Timeline timelines[] = {
    {"HoldEndsAtThreeSecondsAndWordsComeInAfter",
     {{0, Op::Words, "STOP", "STOP", {}, same, false},
      {100, Op::Msg, "Invalid time", "Invalid time", {}, same, false},
      {2000, Op::Words, "PLAY", none, {}, same, false},
      {3099, Op::Tick, "", none, {}, same, false},
      {3099, Op::Words, "PLAY", none, {}, same, false},
      {3100, Op::Tick, "", "PLAY", {}, same, false},
      // Words on show are given again: the field may have been written past this record.
      {3200, Op::Words, "PLAY", "PLAY", {}, same, false},
      {3300, Op::Tick, "", none, {}, same, false}}},
    {"AMessageAgainRestartsItsHold",
     {{0, Op::Words, "STOP", "STOP", {}, same, false},
      {0, Op::Msg, "Invalid time", "Invalid time", {}, same, false},
      {2000, Op::Msg, "Invalid time", "Invalid time", {}, same, false},
      {4999, Op::Tick, "", none, {}, same, false},
      {5000, Op::Tick, "", "STOP", {}, same, false}}},
    {"MessageDuringLocalThenLocalReturns",
     {{0, Op::Words, "STOP", "STOP", {}, same, false},
      {0, Op::State, "L", DC::localText, {"Deck in LOCAL"}, same, false},
      {1000,
       Op::Msg,
       "Deck refused Play (time-out)",
       "Deck refused Play (time-out)",
       {},
       same,
       false},
      {3999, Op::State, "L", none, {}, same, false},
      {4000, Op::Tick, "", DC::localText, {}, same, false},
      {4500, Op::State, "", "STOP", {"Deck back in REMOTE"}, same, false}}},
    // A polling client's command every poll does not hide the deck's condition.
    {"AClientCommandShowsOnlyWhileNoConditionHolds",
     {{0, Op::Words, "STOP", "STOP", {}, same, false},
      {100, Op::Msg, "Client Command: GetTC", "Client Command: GetTC", {}, same, false},
      {200, Op::State, "L", DC::localText, {"Deck in LOCAL"}, same, false},
      {300, Op::Msg, "Client Command: GetTC", none, {}, same, false},
      {400, Op::Tick, "", none, {}, same, false},
      {500, Op::Msg, "Invalid time", "Invalid time", {}, same, false},
      {3499, Op::Tick, "", none, {}, same, false},
      {3500, Op::Tick, "", DC::localText, {}, same, false},
      {3600, Op::State, "", "STOP", {"Deck back in REMOTE"}, same, false},
      {3700, Op::Msg, "Client Command: GetTC", "Client Command: GetTC", {}, same, false}}},
    // A pressed button shows its name in the field at once, past this record: LOCAL comes
    // back after the three seconds a message has; without a condition the words come as ever.
    {"LocalComesBackThreeSecondsAfterAButtonWroteTheField",
     {{0, Op::Words, "STOP", "STOP", {}, same, false},
      {0, Op::State, "L", DC::localText, {"Deck in LOCAL"}, same, false},
      {1000, Op::Elsewhere, "", none, {}, same, false},
      {1100, Op::State, "L", none, {}, same, false},
      {3999, Op::Tick, "", none, {}, same, false},
      {4000, Op::Tick, "", DC::localText, {}, same, false},
      {4100, Op::State, "L", none, {}, same, false},
      {4200, Op::State, "", "STOP", {"Deck back in REMOTE"}, same, false},
      {4300, Op::Elsewhere, "", none, {}, same, false},
      {4400, Op::Words, "PLAY", "PLAY", {}, same, false}}},
    {"PriorityLostSilentLocalNoTapeWords",
     {{0, Op::Watch, "", none, {}, same, false},
      {0, Op::Words, "PLAY", "PLAY", {}, same, false},
      {100, Op::State, "T", DC::noTapeText, {"No tape"}, same, false},
      {200, Op::State, "LT", DC::localText, {"Deck in LOCAL"}, same, false},
      {999, Op::Tick, "", none, {}, same, false},
      {1000, Op::Tick, "", DC::silentText, {silent}, false, true},
      {1100, Op::Lost, "Deck link lost", "Deck link lost", {}, same, false},
      {1200, Op::Tick, "", none, {}, same, false},
      {1300, Op::Restored, "", DC::silentText, {}, same, false},
      {1400, Op::Time, "", DC::localText, {"Deck replies again"}, true, false},
      {1500, Op::State, "T", DC::noTapeText, {"Deck back in REMOTE"}, same, false},
      {1600, Op::State, "", "PLAY", {"Tape loaded"}, same, false}}},
    {"SilenceOnlyAfterWatchingBeganAndAFullSecond",
     {{0, Op::Words, "STOP", "STOP", {}, same, false},
      {5000, Op::Tick, "", none, {}, same, false},
      {5000, Op::Watch, "", none, {}, same, false},
      {5800, Op::Time, "", none, {}, same, false},
      {6799, Op::Tick, "", none, {}, same, false},
      {6800, Op::Tick, "", DC::silentText, {silent}, false, true},
      {7000, Op::Tick, "", none, {}, same, false},
      {8000, Op::Words, "STOP", none, {}, same, false},
      {9000, Op::Time, "", "STOP", {"Deck replies again"}, true, false},
      {9500, Op::Time, "", none, {}, same, false},
      {10499, Op::Tick, "", none, {}, same, false},
      {10500, Op::Tick, "", DC::silentText, {silent}, false, true}}},
    {"ABeginningConditionEndsTheHeldMessage",
     {{0, Op::Watch, "", none, {}, same, false},
      {0, Op::Words, "PLAY", "PLAY", {}, same, false},
      {500, Op::Time, "", none, {}, same, false},
      {600, Op::Msg, "Script error: line 3", "Script error: line 3", {}, same, false},
      {700, Op::State, "L", DC::localText, {"Deck in LOCAL"}, same, false},
      {800, Op::State, "", "PLAY", {"Deck back in REMOTE"}, same, false},
      {900, Op::Msg, "Invalid time", "Invalid time", {}, same, false},
      {1600, Op::Tick, "", DC::silentText, {silent}, false, true},
      {1700, Op::Time, "", "PLAY", {"Deck replies again"}, true, false},
      {2000,
       Op::Msg,
       "Deck refused Stop (time-out)",
       "Deck refused Stop (time-out)",
       {},
       same,
       false},
      {2100, Op::Lost, "Deck link lost", "Deck link lost", {}, same, false},
      {2200, Op::Restored, "", "PLAY", {}, same, false}}},
    {"OneLineForEachBeginningAndEndHoweverOftenRead",
     {{0, Op::Words, "STOP", "STOP", {}, same, false},
      {100, Op::State, "LT", DC::localText, {"Deck in LOCAL", "No tape"}, same, false},
      {200, Op::State, "LT", none, {}, same, false},
      {300, Op::State, "LT", none, {}, same, false},
      {400, Op::State, "LT", none, {}, same, false},
      {500, Op::State, "T", DC::noTapeText, {"Deck back in REMOTE"}, same, false},
      {600, Op::State, "T", none, {}, same, false},
      {700, Op::State, "", "STOP", {"Tape loaded"}, same, false},
      {800, Op::Lost, "Deck link lost", "Deck link lost", {}, same, false},
      {900, Op::Lost, "Deck link lost", none, {}, same, false},
      {1000, Op::Restored, "", "STOP", {}, same, false},
      {1100, Op::Restored, "", none, {}, same, false}}},
};

INSTANTIATE_TEST_SUITE_P(DeckCondition, DeckConditionTimeline, testing::ValuesIn(timelines),
                         [](const auto& info) { return std::string(info.param.name); });
} // namespace
