#include "EventList.h"

#include "Timecode.h"

namespace {
std::string twoDigitNumber(int n) {
    return std::to_string(n / 10 % 10) + std::to_string(n % 10);
}
} // namespace

EventList EventList::initial() {
    EventList events;
    for (int i = 0; i < size; ++i) {
        const int number = i + 1;
        events.EdNumArray[i] = number < size ? "0" + twoDigitNumber(number) : "100";
        events.ClipNameArray[i] = "Name" + twoDigitNumber(number);
        events.SrcInArray[i] = timecode::zero;
        events.SrcOutArray[i] = timecode::zero;
    }
    return events;
}
