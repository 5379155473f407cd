// A list file through Load EDL, and the round trip: what was loaded, saved in each format and
// loaded again, must come back as the same events (in the logger's own layout, as far as its
// six-character reel column carries the name; in the other formats with each clip's tape, notes
// and good-take mark too, the log's tape the last clip's: in an ALE with tabs in texts as
// blanks, in a CMX list without blanks around texts); the autosave gives back exactly
// what was loaded.
#include "EdlFile.h"
#include "EdlReader.h"
#include "EdlWriter.h"
#include "FuzzSupport.h"
#include "Timecode.h"
#include "Utf8Text.h"

#include <algorithm>

namespace {

// A text (a name, a tape, notes) after a trip through a list for other systems.
std::string textAfterTrip(std::string text, ListFormat layout) {
    if (layout == ListFormat::Ale) std::replace(text.begin(), text.end(), '\t', ' ');
    if (layout == ListFormat::Cmx3600) {
        text.erase(text.find_last_not_of(" \t") + 1);
        text.erase(0, text.find_first_not_of(" \t"));
    }
    return text;
}

// The name an event has after a trip through a layout: in the logger's own, the six characters
// its reel column carries, without the blanks after them (a name of blanks only keeps them).
std::string nameAfterTrip(std::string name, ListFormat layout) {
    if (layout != ListFormat::Standard) return textAfterTrip(name, layout);
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
        if (layout == ListFormat::Standard) continue;
        FUZZ_CHECK(again.TapeArray[i] == textAfterTrip(loaded.TapeArray[i], layout));
        FUZZ_CHECK(again.NotesArray[i] == textAfterTrip(loaded.NotesArray[i], layout));
        FUZZ_CHECK(again.GoodArray[i] == loaded.GoodArray[i]);
    }
    FUZZ_CHECK(layout == ListFormat::Standard || again.tape == again.TapeArray[n - 1]);
}

// A time as the autosave writes it: ':' between hours, minutes and seconds.
std::string colonsBeforeSeconds(std::string time) {
    if (time.size() >= 11) time[2] = time[5] = ':';
    return time;
}

// The autosave of what was loaded gives it back: every event it writes, whole (its times with
// ':' before the minutes and seconds), and the tape.
void autosaveTrip(const EventList& loaded, timecode::Rate rate) {
    static const std::string saved = fuzz::scratchPath("autosave.edl");
    if (!WriteFileAtomically(saved, AutosaveText(loaded, "KOLB", rate))) return;
    const EdlLoad load = LoadEDL(saved, false, rate);
    FUZZ_CHECK(load.ok);
    const EventList& again = load.events;
    const int n = EventsToWrite(loaded);
    FUZZ_CHECK(load.read.stored == n);
    FUZZ_CHECK(load.read.rate == rate);
    for (int i = 0; i < n; ++i) {
        FUZZ_CHECK(again.ClipNameArray[i] == loaded.ClipNameArray[i]);
        FUZZ_CHECK(again.SrcInArray[i] == colonsBeforeSeconds(loaded.SrcInArray[i]));
        FUZZ_CHECK(again.SrcOutArray[i] == colonsBeforeSeconds(loaded.SrcOutArray[i]));
        FUZZ_CHECK(again.TapeArray[i] == loaded.TapeArray[i]);
        FUZZ_CHECK(again.NotesArray[i] == loaded.NotesArray[i]);
        FUZZ_CHECK(again.GoodArray[i] == loaded.GoodArray[i]);
    }
    FUZZ_CHECK(again.tape == loaded.tape);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::quietConsole();
    static const std::string path = fuzz::scratchPath("load.edl");
    fuzz::writeFile(path, fuzz::text(data, size));
    const EdlLoad load = LoadEDL(path, size > 0 && (data[0] & 1), timecode::rate30);
    FUZZ_CHECK(load.read.stored >= 0 && load.read.stored <= EventList::size);
    if (!load.ok) return 0;
    autosaveTrip(load.events, load.read.rate);
    roundTrip(load.events, load.read.rate, ListFormat::Standard);
    for (const ListFormat format : {ListFormat::Cmx3600, ListFormat::Ale, ListFormat::Csv})
        roundTrip(load.events, load.read.rate, format);
    return 0;
}
