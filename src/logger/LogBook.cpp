#include "LogBook.h"

int LogBook::nextMark() const {
    const int k = current.events.firstWithoutOut(current.position);
    return k < EventList::size ? k : current.events.firstWithoutOut(0);
}

bool LogBook::change(const std::function<void(State&)>& edit) {
    State before = current;
    edit(current);
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

std::optional<int> LogBook::markIn(const std::string& time) {
    return mark(time, false);
}

std::optional<int> LogBook::markOut(const std::string& time) {
    return mark(time, true);
}

std::optional<int> LogBook::mark(const std::string& time, bool out) {
    const int k = nextMark();
    if (k >= EventList::size) return std::nullopt;
    change([&](State& s) {
        (out ? s.events.SrcOutArray : s.events.SrcInArray)[k] = time;
        s.position = out ? k + 1 : k;
    });
    return k;
}
