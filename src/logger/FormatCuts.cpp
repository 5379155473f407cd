#include "FormatCuts.h"

#include "EdlWriter.h"
#include "Utf8Text.h"

namespace {
std::string clips(int n) {
    return Counted(n, "clip");
}

// The name a Standard EDL gives back when it is loaded again.
std::string nameReadBack(const std::string& name) {
    std::string reel = ReelText(name);
    reel.erase(reel.find_last_not_of(' ') + 1);
    return reel;
}
} // namespace

CutReport WhatAFormatCuts(const EventList& events, ListFormat format) {
    CutReport report;
    if (format != ListFormat::Standard) return report;
    const int count = EventsToWrite(events);
    int notes = 0, good = 0, tapes = 0;
    for (int i = 0; i < count; ++i) {
        const std::string& name = events.ClipNameArray[i];
        if (const std::string back = nameReadBack(name); back != name)
            report.names.push_back("Event " + EditNumberText(i + 1) + ": \"" + name +
                                   "\" becomes \"" + back + "\"");
        if (!events.NotesArray[i].empty()) ++notes;
        if (events.GoodArray[i]) ++good;
        if (events.touched(i) && events.TapeArray[i] != events.tape) ++tapes;
    }
    std::vector<std::string> parts;
    if (notes > 0) parts.push_back("no notes (" + clips(notes) + ")");
    if (good > 0) parts.push_back("no good takes (" + clips(good) + ")");
    if (tapes > 0) parts.push_back("no tape of a clip's own (" + clips(tapes) + ")");
    for (std::size_t i = 0; i < parts.size(); ++i) {
        report.dropped += i == 0 ? "It keeps " : i + 1 == parts.size() ? " and " : ", ";
        report.dropped += parts[i];
    }
    if (!report.dropped.empty()) report.dropped += ".";
    return report;
}

std::string_view ListExtension(ListFormat format) {
    switch (format) {
    case ListFormat::Standard:
        return ".txt";
    case ListFormat::Cmx3600:
        return ".edl";
    case ListFormat::Ale:
        return ".ale";
    case ListFormat::Csv:
        return ".csv";
    }
    return ".txt";
}
