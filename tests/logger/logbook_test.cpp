// The log's history and its marks: what undo and redo give back, how far back undo reaches, and
// which event a mark goes to.
#include "LogBook.h"
#include "LoggerTesting.h"

#include <algorithm>

namespace {

// Types a name into the first event: a change, one undo step.
bool typeName(LogBook& book, const std::string& name) {
    return book.change([&](LogBook::State& s) { s.events.ClipNameArray[0] = name; });
}

// A fresh log with the events from..to - 1 of each range logged (an in and an out).
EventList loggedLog(const std::vector<std::pair<int, int>>& ranges) {
    EventList events = EventList::initial();
    for (const auto& [from, to] : ranges)
        for (int i = from; i < to; ++i) {
            events.SrcInArray[i] = "00:00:01:00";
            events.SrcOutArray[i] = "00:00:02:00";
        }
    return events;
}

} // namespace

TEST(LogBookHistory, ANewChangeAfterAnUndoDropsTheRedoSteps) {
    enum class Edit { Name, Mark, Nothing };
    const struct {
        const char* what;
        int undos, redos;
        Edit edit;
    } rows[] = {
        {"one of three undone, a name typed", 1, 0, Edit::Name},
        {"all three undone, a name typed", 3, 0, Edit::Name},
        {"two undone and one redone, a mark", 2, 1, Edit::Mark},
        {"all three undone, a mark", 3, 0, Edit::Mark},
        {"the same name typed again changes nothing: the redo steps stay", 1, 0, Edit::Nothing},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        LogBook book;
        std::vector<LogBook::State> states{book.state()};
        for (int i = 1; i <= 3; ++i) {
            ASSERT_TRUE(typeName(book, "Take " + std::to_string(i)));
            states.push_back(book.state());
        }
        for (int i = 0; i < row.undos; ++i) ASSERT_TRUE(book.undo());
        for (int i = 0; i < row.redos; ++i) ASSERT_TRUE(book.redo());
        const int at = 3 - row.undos + row.redos;
        ASSERT_EQ(book.state(), states[at]);

        const bool changed = row.edit == Edit::Name ? typeName(book, "Retake")
                             : row.edit == Edit::Mark
                                 ? book.markIn("00:00:05:00").has_value()
                                 : typeName(book, book.events().ClipNameArray[0]);
        EXPECT_EQ(changed, row.edit != Edit::Nothing);
        const LogBook::State edited = book.state();
        EXPECT_EQ(book.canRedo(), !changed);
        EXPECT_EQ(book.redo(), !changed);
        EXPECT_EQ(book.state(), changed ? edited : states[at + 1]);
        if (!changed) continue;
        // The new change is the step undo takes back first.
        EXPECT_TRUE(book.undo());
        EXPECT_EQ(book.state(), states[at]);
        EXPECT_TRUE(book.canRedo());
    }
}

TEST(LogBookHistory, UndoReachesBackUndoStepsAndTheOldestStepGoes) {
    constexpr int steps = static_cast<int>(LogBook::undoSteps);
    const struct {
        const char* what;
        int changes;
    } rows[] = {
        {"one change", 1},
        {"one change fewer than the history holds", steps - 1},
        {"as many changes as the history holds", steps},
        {"one change more", steps + 1},
        {"37 changes more", steps + 37},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        LogBook book;
        std::vector<LogBook::State> states{book.state()};
        for (int i = 1; i <= row.changes; ++i) {
            ASSERT_TRUE(typeName(book, "Take " + std::to_string(i)));
            states.push_back(book.state());
        }
        const int reach = std::min(row.changes, steps);
        int undone = 0;
        while (book.undo()) {
            ++undone;
            // Each undo gives back the state before the change it takes back.
            if (undone > reach || book.state() != states[row.changes - undone]) break;
        }
        EXPECT_EQ(undone, reach);
        // The last possible undo reached the state after the oldest change kept.
        EXPECT_EQ(book.state(), states[row.changes - reach]);
        EXPECT_FALSE(book.canUndo());
        int redone = 0;
        while (book.redo()) ++redone;
        EXPECT_EQ(redone, reach);
        EXPECT_EQ(book.state(), states[row.changes]);
    }
}

TEST(LogBookMarks, AMarkGoesToTheFirstFreeEventFromThePositionElseTheFirstOfTheLog) {
    const std::string t = "00:00:42:00";
    const struct {
        const char* what;
        std::vector<std::pair<int, int>> logged; // ranges of events with an in and an out
        int position;
        bool out;                 // markOut, else markIn
        std::optional<int> event; // the event marked; nothing: all 100 have an out
    } rows[] = {
        {"a fresh log at position 0", {}, 0, false, 0},
        {"position 0, the first three logged", {{0, 3}}, 0, true, 3},
        {"position 99, free", {}, 99, false, 99},
        {"position 99, free, an out", {}, 99, true, 99},
        {"position 100, after an out at 99: the first free of the log", {{0, 5}}, 100, false, 5},
        {"position 99 logged: back to event 0", {{1, 100}}, 99, true, 0},
        {"only the event just before the position is free", {{0, 49}, {50, 100}}, 50, true, 49},
        {"two free before the position: the first of the log, not the nearest",
         {{0, 10}, {11, 49}, {50, 100}},
         50,
         false,
         10},
        {"a free event after the position goes before the free ones of the log ahead of it",
         {{20, 30}},
         20,
         false,
         30},
        {"all 100 logged, position 0: nothing", {{0, 100}}, 0, false, std::nullopt},
        {"all 100 logged, position 99, an out: nothing", {{0, 100}}, 99, true, std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        LogBook book;
        const EventList before = loggedLog(row.logged);
        book.eventsForTests() = before;
        book.setPosition(row.position);
        EXPECT_EQ(book.nextMark(), row.event.value_or(EventList::size));

        const auto mark = row.out ? book.markOut(t) : book.markIn(t);
        EXPECT_EQ(mark ? std::optional<int>(mark->event) : std::nullopt, row.event);
        // Only the marked event's in or out changed: no event with an out was replaced.
        EventList after = before;
        if (row.event) (row.out ? after.SrcOutArray : after.SrcInArray)[*row.event] = t;
        EXPECT_EQ(book.events(), after);
        const int position = !row.event ? row.position : *row.event + (row.out ? 1 : 0);
        EXPECT_EQ(book.position(), position);
        EXPECT_EQ(book.canUndo(), row.event.has_value());
    }
}
