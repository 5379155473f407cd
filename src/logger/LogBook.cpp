#include "LogBook.h"

#include <algorithm>

int LogBook::nextMark() const {
    const int k = current.events.firstWithoutOut(current.position);
    return k < EventList::size ? k : current.events.firstWithoutOut(0);
}

namespace {
// Two times name the same frame: the same digits, whatever their separators.
bool sameTime(const std::string& a, const std::string& b) {
    std::string da, db;
    for (const char c : a)
        if (c >= '0' && c <= '9') da += c;
    for (const char c : b)
        if (c >= '0' && c <= '9') db += c;
    return !da.empty() && da == db;
}
} // namespace

bool LogBook::change(const std::function<void(State&)>& edit, Tapes tapes) {
    State before = current;
    edit(current);
    EventList& events = current.events;
    for (int i = 0; tapes == Tapes::NewClipsTakeTheLogs && i < EventList::size; ++i)
        if (events.TapeArray[i].empty() && events.touched(i) && !before.events.touched(i))
            events.TapeArray[i] = events.tape;
    if (current == before) return false;
    past.push_back(std::move(before));
    if (past.size() > undoSteps) past.pop_front();
    future.clear();
    return true;
}

bool LogBook::undo() {
    return step(past, future);
}

bool LogBook::redo() {
    return step(future, past);
}

bool LogBook::step(std::deque<State>& from, std::deque<State>& to) {
    if (from.empty()) return false;
    to.push_back(std::move(current));
    current = std::move(from.back());
    from.pop_back();
    return true;
}

std::optional<LogBook::Mark> LogBook::markIn(const std::string& time) {
    return mark(time, false);
}

std::optional<LogBook::Mark> LogBook::markOut(const std::string& time) {
    return mark(time, true);
}

std::optional<LogBook::Mark> LogBook::mark(const std::string& time, bool out) {
    const int k = nextMark();
    if (k >= EventList::size) return std::nullopt;
    Mark where{k, k < current.position, out && sameTime(time, current.events.SrcInArray[k])};
    change([&](State& s) {
        (out ? s.events.SrcOutArray : s.events.SrcInArray)[k] = time;
        s.position = out ? k + 1 : k;
    });
    return where;
}

bool LogBook::removeEvent(int i) {
    if (i < 0 || i >= EventList::size) return false;
    return change(
        [&](State& s) {
            s.events.removeAt(i);
            if (s.position > i) --s.position;
        },
        Tapes::AsGiven);
}

bool LogBook::insertEvent(int i) {
    if (i < 0 || i >= EventList::size) return false;
    return change(
        [&](State& s) {
            if (!s.events.insertAt(i)) return;
            if (s.position > i) s.position = std::min(s.position + 1, EventList::size);
        },
        Tapes::AsGiven);
}
