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

// A log of lettered clips: a letter is a clip of that name with times, a tape and (B) notes or
// (C) the good-take mark of its own; '-' a fresh event. The events after the letters are fresh.
EventList lettered(std::string_view letters) {
    EventList events = EventList::initial();
    for (std::size_t i = 0; i < letters.size(); ++i) {
        const char c = letters[i];
        if (c == '-') continue;
        const int at = 30 * (c - 'A' + 1);
        events.ClipNameArray[i] = std::string(1, c);
        events.SrcInArray[i] = timecode::TimeText(at);
        events.SrcOutArray[i] = timecode::TimeText(at + 15);
        events.TapeArray[i] = std::string("Tape ") + c;
        events.NotesArray[i] = c == 'B' ? "Café, \"b\"" : "";
        events.GoodArray[i] = c == 'C';
    }
    return events;
}

// A hundred lettered clips, A to Z over and over.
std::string fullLog() {
    std::string letters;
    for (int i = 0; i < EventList::size; ++i) letters += static_cast<char>('A' + i % 26);
    return letters;
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
        bool earlier = false;     // it lies before the logging position
        const char* in = nullptr; // the in the marked event holds already
        bool noLength = false;    // the out is the in: a clip of no length
    } rows[] = {
        {"a fresh log at position 0", {}, 0, false, 0},
        {"position 0, the first three logged", {{0, 3}}, 0, true, 3},
        {"position 99, free", {}, 99, false, 99},
        {"position 99, free, an out", {}, 99, true, 99},
        {"position 100, after an out at 99: back to the first free", {{0, 5}}, 100, false, 5, true},
        {"position 99 logged: back to event 0", {{1, 100}}, 99, true, 0, true},
        {"only the event just before the position is free",
         {{0, 49}, {50, 100}},
         50,
         true,
         49,
         true},
        {"two free before the position: the first of the log, not the nearest",
         {{0, 10}, {11, 49}, {50, 100}},
         50,
         false,
         10,
         true},
        {"a free event after the position goes before the free ones of the log ahead of it",
         {{20, 30}},
         20,
         false,
         30},
        {"all 100 logged, position 0: nothing", {{0, 100}}, 0, false, std::nullopt},
        {"all 100 logged, position 99, an out: nothing", {{0, 100}}, 99, true, std::nullopt},
        {"an out equal to the in: no length", {}, 0, true, 0, false, "00:00:42:00", true},
        {"an out equal to the in but for ';': no length",
         {},
         0,
         true,
         0,
         false,
         "00:00:42;00",
         true},
        {"an out a frame after the in", {}, 0, true, 0, false, "00:00:41:29", false},
        {"an in at the time of the in before it", {}, 0, false, 0, false, "00:00:42;00", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        LogBook book;
        EventList before = loggedLog(row.logged);
        if (row.in != nullptr) before.SrcInArray[*row.event] = row.in;
        book.eventsForTests() = before;
        book.setPosition(row.position);
        EXPECT_EQ(book.nextMark(), row.event.value_or(EventList::size));

        const auto mark = row.out ? book.markOut(t) : book.markIn(t);
        EXPECT_EQ(mark ? std::optional<int>(mark->event) : std::nullopt, row.event);
        EXPECT_EQ(mark && mark->earlier, row.earlier);
        EXPECT_EQ(mark && mark->noLength, row.noLength);
        // Only the marked event's in or out changed: no event with an out was replaced.
        EventList after = before;
        if (row.event) (row.out ? after.SrcOutArray : after.SrcInArray)[*row.event] = t;
        EXPECT_EQ(book.events(), after);
        const int position = !row.event ? row.position : *row.event + (row.out ? 1 : 0);
        EXPECT_EQ(book.position(), position);
        EXPECT_EQ(book.canUndo(), row.event.has_value());
    }
}

TEST(LogBookEdits, TakingOutOrPuttingInMovesTheLaterEventsAndThePosition) {
    enum class Edit { Remove, Insert };
    const std::string full = fullLog();
    const struct {
        const char* what;
        std::string before;
        int position;
        Edit edit;
        int at;
        bool changed;
        std::string after;
        int positionAfter;
    } rows[] = {
        {"the first taken out: the rest move up, the position with them", "ABC", 3, Edit::Remove, 0,
         true, "BC", 2},
        {"the last of a full log taken out: a fresh one at the end", full, 100, Edit::Remove, 99,
         true, full.substr(0, 99), 99},
        {"the first of a full log taken out: the last comes up, a fresh one at the end", full, 100,
         Edit::Remove, 0, true, full.substr(1), 99},
        {"one after the position taken out: the position stays", "ABC", 1, Edit::Remove, 2, true,
         "AB", 1},
        {"the one at the position taken out: the next comes to it", "ABC", 1, Edit::Remove, 1, true,
         "AC", 1},
        {"a fresh one in a gap taken out: the clip after it moves up", "A-C", 3, Edit::Remove, 1,
         true, "AC", 2},
        {"one put in first: the clips move down, the position with them", "ABC", 3, Edit::Insert, 0,
         true, "-ABC", 4},
        {"one put in at the position: the next mark goes to it", "ABC", 1, Edit::Insert, 1, true,
         "A-BC", 1},
        {"one put in first with only the last fresh: the position moves to the end",
         full.substr(0, 99), 99, Edit::Insert, 0, true, "-" + full.substr(0, 99), 100},
        {"one put in at the last, which is fresh: nothing changes", "ABC", 3, Edit::Insert, 99,
         false, "ABC", 3},
        {"a full log refuses one put in: nothing changes", full, 100, Edit::Insert, 50, false, full,
         100},
        {"one put in at the last of a full log: refused too", full, 100, Edit::Insert, 99, false,
         full, 100},
        {"no event 101 to take out", "ABC", 3, Edit::Remove, 100, false, "ABC", 3},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        LogBook book;
        book.eventsForTests() = lettered(row.before);
        book.setPosition(row.position);
        const LogBook::State before = book.state();
        const bool changed =
            row.edit == Edit::Remove ? book.removeEvent(row.at) : book.insertEvent(row.at);
        EXPECT_EQ(changed, row.changed);
        EXPECT_EQ(book.events(), lettered(row.after));
        EXPECT_EQ(book.position(), row.positionAfter);
        // One step, which undo takes back whole.
        EXPECT_EQ(book.undo(), row.changed);
        EXPECT_EQ(book.state(), before);
    }
}

TEST(LogBookTapes, ANewClipTakesTheLogsTapeAndALoggedClipKeepsItsOwn) {
    const auto setTape = [](LogBook& book, const std::string& tape) {
        book.change([&](LogBook::State& s) { s.events.tape = tape; });
    };
    const std::string t = "00:00:10:00", u = "00:00:20:00";
    // Each row's steps follow the log's tape set to "Reel 1".
    const struct {
        const char* what;
        std::function<void(LogBook&)> steps;
        Lines tapes; // events 1 to 3
    } rows[] = {
        {"the log's tape changed after a clip: the clip keeps its own, the next takes the new",
         [&](LogBook& b) {
             b.markIn(t);
             b.markOut(u);
             setTape(b, "Reel 2");
             b.markIn(u);
         },
         {"Reel 1", "Reel 2", ""}},
        {"notes or a name typed into fresh events make clips of the log's tape",
         [&](LogBook& b) {
             b.change([](LogBook::State& s) {
                 s.events.NotesArray[1] = "wind";
                 s.events.ClipNameArray[2] = "Gull";
             });
         },
         {"", "Reel 1", "Reel 1"}},
        {"a clip given a tape of its own as it is made keeps it",
         [&](LogBook& b) {
             b.change([](LogBook::State& s) {
                 s.events.ClipNameArray[0] = "Gull";
                 s.events.TapeArray[0] = "B-Roll";
             });
         },
         {"B-Roll", "", ""}},
        {"clips logged before the log had a tape keep none when one is put in or taken out",
         [&](LogBook& b) {
             setTape(b, "");
             b.markIn(t);
             b.markOut(u);
             b.markIn(t);
             b.markOut(u);
             setTape(b, "Reel 2");
             b.insertEvent(0);
             b.removeEvent(1);
         },
         {"", "", ""}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        LogBook book;
        setTape(book, "Reel 1");
        row.steps(book);
        const auto& tapes = book.events().TapeArray;
        EXPECT_EQ(Lines(tapes.begin(), tapes.begin() + 3), row.tapes);
    }
}
