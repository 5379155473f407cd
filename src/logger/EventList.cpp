#include "EventList.h"

#include "Timecode.h"

namespace {
std::string twoDigitNumber(int n) {
    return {static_cast<char>('0' + n / 10 % 10), static_cast<char>('0' + n % 10)};
}
} // namespace

EventList EventList::initial() {
    EventList events;
    for (int i = 0; i < size; ++i) {
        const int number = i + 1;
        events.EdNumArray[i] =
            number < size ? std::string("0").append(twoDigitNumber(number)) : "100";
        events.ClipNameArray[i] = std::string("Name").append(twoDigitNumber(number));
        events.SrcInArray[i] = timecode::zero;
        events.SrcOutArray[i] = timecode::zero;
    }
    return events;
}
