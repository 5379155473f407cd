#include "EventList.h"

#include "Timecode.h"

namespace {
std::string twoDigitNumber(int n) {
    return {static_cast<char>('0' + n / 10 % 10), static_cast<char>('0' + n % 10)};
}

std::string freshName(int i) {
    return std::string("Name").append(twoDigitNumber(i + 1));
}
} // namespace

EventList EventList::initial() {
    EventList events;
    for (int i = 0; i < size; ++i) {
        const int number = i + 1;
        events.EdNumArray[i] =
            number < size ? std::string("0").append(twoDigitNumber(number)) : "100";
        events.makeFresh(i);
    }
    return events;
}

void EventList::makeFresh(int i) {
    ClipNameArray[i] = freshName(i);
    SrcInArray[i] = timecode::zero;
    SrcOutArray[i] = timecode::zero;
    TapeArray[i].clear();
    NotesArray[i].clear();
    GoodArray[i] = false;
}

bool EventList::touched(int i) const {
    return ClipNameArray[i] != freshName(i) || !timecode::IsZero(SrcInArray[i]) ||
           !timecode::IsZero(SrcOutArray[i]) || !NotesArray[i].empty() || GoodArray[i];
}

int EventList::touchedCount() const {
    int count = 0;
    for (int i = 0; i < size; ++i)
        if (touched(i)) ++count;
    return count;
}

int EventList::firstWithoutOut(int from) const {
    int i = from < 0 ? 0 : from;
    while (i < size && !timecode::IsZero(SrcOutArray[i])) ++i;
    return i;
}

void EventList::moveEvent(int from, int to) {
    if (!touched(from)) {
        makeFresh(to);
        return;
    }
    ClipNameArray[to] = std::move(ClipNameArray[from]);
    SrcInArray[to] = std::move(SrcInArray[from]);
    SrcOutArray[to] = std::move(SrcOutArray[from]);
    TapeArray[to] = std::move(TapeArray[from]);
    NotesArray[to] = std::move(NotesArray[from]);
    GoodArray[to] = GoodArray[from];
}

void EventList::removeAt(int i) {
    if (i < 0 || i >= size) return;
    for (int k = i; k + 1 < size; ++k) moveEvent(k + 1, k);
    makeFresh(size - 1);
}

bool EventList::insertAt(int i) {
    if (i < 0 || i >= size || touched(size - 1)) return false;
    for (int k = size - 1; k > i; --k) moveEvent(k - 1, k);
    makeFresh(i);
    return true;
}
