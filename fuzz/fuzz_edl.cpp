// An EDL file through Load EDL, and the round trip: what was loaded, saved in either layout and
// loaded again, must come back as the same events (in the logger's own layout, as far as its
// six-character reel column carries the name).
#include "EdlFile.h"
#include "EdlWriter.h"
#include "FuzzSupport.h"
#include "Timecode.h"

namespace {

// The name an event has after a trip through a layout: in the logger's own, what its reel
// column carries, up to the first blank.
std::string nameAfterTrip(const std::string& name, EdlLayout layout) {
    if (layout == EdlLayout::Cmx3600) return name;
    const std::string reel = ReelText(name);
    return reel.substr(0, reel.find(' '));
}

// Saved at the list's own rate, the times come back with that rate's frame separator.
void roundTrip(const EventList& loaded, timecode::Rate rate, EdlLayout layout) {
    static const std::string saved = fuzz::scratchPath("saved.edl");
    if (!SaveEDL(saved, loaded, "FUZZ", "KOLB", layout, {}, rate)) return; // not a timecode
    const EdlLoad load = LoadEDL(saved, false, rate);
    FUZZ_CHECK(load.ok);
    const EventList& again = load.events;
    const int n = EventsToWrite(loaded);
    FUZZ_CHECK(load.read.stored == n);
    FUZZ_CHECK(load.read.skipped == 0);
    for (int i = 0; i < n; ++i) {
        FUZZ_CHECK(again.SrcInArray[i] == timecode::WithSeparator(loaded.SrcInArray[i], rate));
        FUZZ_CHECK(again.SrcOutArray[i] == timecode::WithSeparator(loaded.SrcOutArray[i], rate));
        FUZZ_CHECK(again.ClipNameArray[i] == nameAfterTrip(loaded.ClipNameArray[i], layout));
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::quietConsole();
    static const std::string path = fuzz::scratchPath("load.edl");
    fuzz::writeFile(path, fuzz::text(data, size));
    const EdlLoad load = LoadEDL(path, size > 0 && (data[0] & 1), timecode::rate30);
    FUZZ_CHECK(load.read.stored >= 0 && load.read.stored <= EventList::size);
    if (!load.ok) return 0;
    roundTrip(load.events, load.read.rate, EdlLayout::Standard);
    roundTrip(load.events, load.read.rate, EdlLayout::Cmx3600);
    return 0;
}
