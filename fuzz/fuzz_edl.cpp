// A list file through Load EDL, and the round trip: what was loaded, saved in each format and
// loaded again, must come back as the same events and tape (in the logger's own layout, as far
// as its six-character reel column carries the name; in an ALE, with tabs in names as blanks; in
// a CMX list, without blanks at the start of names and the tape).
#include "EdlFile.h"
#include "EdlReader.h"
#include "EdlWriter.h"
#include "FuzzSupport.h"
#include "Timecode.h"
#include "Utf8Text.h"

#include <algorithm>

namespace {

// The name an event has after a trip through a layout: in the logger's own, the six characters
// its reel column carries, without the blanks after them (a name of blanks only keeps them).
std::string nameAfterTrip(std::string name, ListFormat layout) {
    if (layout == ListFormat::Ale) std::replace(name.begin(), name.end(), '\t', ' ');
    if (layout == ListFormat::Cmx3600) name.erase(0, name.find_first_not_of(" \t"));
    if (layout != ListFormat::Standard) return name;
    const std::string reel = FirstChars(ReelText(name), 6);
    const std::size_t last = reel.find_last_not_of(' ');
    return last == std::string::npos ? reel : reel.substr(0, last + 1);
}

// Saved at the list's own rate, the times come back with that rate's frame separator.
void roundTrip(const EventList& loaded, timecode::Rate rate, ListFormat layout) {
    static const std::string saved = fuzz::scratchPath("saved.edl");
    if (!SaveEDL(saved, loaded, "FUZZ", "KOLB", layout, {}, rate)) return; // not a timecode
    const EdlLoad load = LoadEDL(saved, false, rate);
    FUZZ_CHECK(load.ok);
    const EventList& again = load.events;
    const int n = EventsToWrite(loaded);
    FUZZ_CHECK(load.read.stored == n);
    FUZZ_CHECK(load.read.skipped == 0);
    for (int i = 0; i < n; ++i) {
        // CMX and ALE write an event with no clip as one of no length; a list for other systems
        // reads one of no length back without an out.
        ListTimes times{timecode::WithSeparator(loaded.SrcInArray[i], rate),
                        timecode::WithSeparator(loaded.SrcOutArray[i], rate)};
        if (layout == ListFormat::Cmx3600 || layout == ListFormat::Ale)
            times = TimesForOtherSystems(loaded, i, rate);
        if (layout != ListFormat::Standard) times.out = OutOfListEvent(times.in, times.out, rate);
        FUZZ_CHECK(again.SrcInArray[i] == times.in);
        FUZZ_CHECK(again.SrcOutArray[i] == times.out);
        FUZZ_CHECK(again.ClipNameArray[i] == nameAfterTrip(loaded.ClipNameArray[i], layout));
    }
    FUZZ_CHECK(layout == ListFormat::Standard || again.tape == nameAfterTrip(loaded.tape, layout));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::quietConsole();
    static const std::string path = fuzz::scratchPath("load.edl");
    fuzz::writeFile(path, fuzz::text(data, size));
    const EdlLoad load = LoadEDL(path, size > 0 && (data[0] & 1), timecode::rate30);
    FUZZ_CHECK(load.read.stored >= 0 && load.read.stored <= EventList::size);
    if (!load.ok) return 0;
    roundTrip(load.events, load.read.rate, ListFormat::Standard);
    for (const ListFormat format : {ListFormat::Cmx3600, ListFormat::Ale, ListFormat::Csv})
        roundTrip(load.events, load.read.rate, format);
    return 0;
}
