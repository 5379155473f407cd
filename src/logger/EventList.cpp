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
        events.ClipNameArray[i] = freshName(i);
        events.SrcInArray[i] = timecode::zero;
        events.SrcOutArray[i] = timecode::zero;
    }
    return events;
}

bool EventList::touched(int i) const {
    return ClipNameArray[i] != freshName(i) || !timecode::IsZero(SrcInArray[i]) ||
           !timecode::IsZero(SrcOutArray[i]);
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
