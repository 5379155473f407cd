#include "ListReport.h"

#include <algorithm>

std::string ListKindText(ListKind kind) {
    switch (kind) {
    case ListKind::Ale:
        return "ALE";
    case ListKind::Csv:
        return "CSV";
    case ListKind::Edl:
        break;
    }
    return "EDL";
}

std::string RateReport(const EdlRead& read, ListKind kind) {
    if (!read.otherRate.empty())
        return read.otherRate + " (KOLB counts at 30, 25 and 30DF, not at this rate: the times are "
                                "kept as written)";
    // An EDL's FCM line of non-drop frame says no more than that: 30 or 25 is the rate given.
    const bool nonDrop = kind == ListKind::Edl && read.dropFrame == false;
    const bool said = read.rateMarked && !nonDrop;
    const char* from = said      ? " (as the list says)"
                       : nonDrop ? " (the list says non-drop frame: the rate given)"
                                 : " (the list says none: the rate given)";
    return timecode::RateText(read.rate) + from;
}

std::vector<std::string> TapesOf(const EventList& events, int stored) {
    std::vector<std::string> tapes;
    for (int k = 0; k < stored; ++k) {
        const std::string& tape = events.TapeArray[k];
        if (!tape.empty() && std::find(tapes.begin(), tapes.end(), tape) == tapes.end())
            tapes.push_back(tape);
    }
    return tapes;
}

std::string CheckReport(const std::string& name, ListKind kind, const EdlLoad& load,
                        const std::vector<std::string>& notes) {
    const EdlRead& read = load.read;
    std::string text = name + ": " + ListKindText(kind) + "\n";
    text += "rate: " + RateReport(read, kind) + "\n";
    text += "clips: " + std::to_string(read.stored) + "\n";
    for (int k = 0; k < read.stored; ++k) {
        const EventList& e = load.events;
        text += "  " + e.EdNumArray[k] + "  " + e.ClipNameArray[k] + "  tape " +
                (e.TapeArray[k].empty() ? "(none)" : e.TapeArray[k]) + "  " + e.SrcInArray[k] +
                " " + e.SrcOutArray[k] + "\n";
    }
    const std::vector<std::string> tapes = TapesOf(load.events, read.stored);
    text += "tapes: " + std::to_string(tapes.size());
    for (std::size_t i = 0; i < tapes.size(); ++i) text += (i == 0 ? ": " : ", ") + tapes[i];
    text += "\n";
    if (read.more)
        text += "more: the list holds more than " + std::to_string(EventList::size) +
                " clips; only the first " + std::to_string(EventList::size) +
                " were read, as the logger reads them\n";
    if (read.passedOver > 0)
        text += "passed over: " + std::to_string(read.passedOver) +
                " event lines that hold no clip (black, gaps, transition pieces of no length)\n";
    for (const std::string& note : notes) text += "note: " + note + "\n";
    text += "skipped: " + std::to_string(read.skips.size()) + "\n";
    for (const SkippedLine& skip : read.skips)
        text += "  line " + std::to_string(skip.line) + ": " + skip.why + "\n";
    return text;
}
