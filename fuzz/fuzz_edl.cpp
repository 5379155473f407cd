// An EDL file through Load EDL, and the round trip: what was loaded, saved in either layout and
// loaded again, must come back as the same events (in the logger's own layout, as far as its
// six-character reel column carries the name).
#include "EdlFile.h"
#include "FuzzSupport.h"
#include "Timecode.h"

namespace {
// The events a save writes: event 1, then each up to the first whose source out is zero.
int written(const EventList& events) {
    int n = 1;
    while (n < EventList::size && events.SrcOutArray[n] != timecode::zero) ++n;
    return n;
}

// The name an event has after a trip through a layout: in the logger's own, what its reel
// column carries, up to the first blank.
std::string nameAfterTrip(const std::string& name, EdlLayout layout) {
    if (layout == EdlLayout::Cmx3600) return name;
    const std::string reel = ReelText(name);
    return reel.substr(0, reel.find(' '));
}

void roundTrip(const EventList& loaded, EdlLayout layout) {
    static const std::string saved = fuzz::scratchPath("saved.edl");
    if (!SaveEDL(saved, loaded, "FUZZ", "KOLB", layout)) return; // an event not a timecode
    EventList again = EventList::initial();
    const EdlLoad load = LoadEDL(saved, again, false);
    FUZZ_CHECK(load.ok);
    const int n = written(loaded);
    FUZZ_CHECK(load.read.stored == n);
    FUZZ_CHECK(load.read.skipped == 0);
    for (int i = 0; i < n; ++i) {
        FUZZ_CHECK(again.SrcInArray[i] == loaded.SrcInArray[i]);
        FUZZ_CHECK(again.SrcOutArray[i] == loaded.SrcOutArray[i]);
        FUZZ_CHECK(again.ClipNameArray[i] == nameAfterTrip(loaded.ClipNameArray[i], layout));
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::quietConsole();
    static const std::string path = fuzz::scratchPath("load.edl");
    fuzz::writeFile(path, fuzz::text(data, size));
    EventList events = EventList::initial();
    const EdlLoad load = LoadEDL(path, events, size > 0 && (data[0] & 1));
    FUZZ_CHECK(load.read.stored >= 0 && load.read.stored <= EventList::size);
    if (!load.ok) return 0;
    roundTrip(events, EdlLayout::Standard);
    roundTrip(events, EdlLayout::Cmx3600);
    return 0;
}
