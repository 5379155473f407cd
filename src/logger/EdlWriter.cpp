#include "EdlWriter.h"

#include "ListComments.h"
#include "Utf8Text.h"

#include <algorithm>

namespace {
const std::string crlf = "\r\n";
const std::string autosaveTitle = "KOLB_Autosave.edl";

std::string header(const std::string& savename, const std::string& title, timecode::Rate rate) {
    const std::string fcm = rate.dropFrame ? "FCM: DROP FRAME" : "FCM: NON-DROP FRAME";
    return "TITLE: " + savename + " " + crlf + "REM Made by " + title + " " + crlf + fcm + " " +
           crlf;
}

// One event's line: its times as given, its record times at the rate.
std::string eventLine(const ClipToWrite& clip, const std::string& in, const std::string& out,
                      timecode::Rate rate) {
    return EditNumberText(clip.number) + "  " + ReelText(clip.name) + "   AA/V  C        " + in +
           " " + out + " " + timecode::TimeText(clip.recordIn, rate) + " " +
           timecode::TimeText(clip.recordOut, rate) + " " + crlf;
}

// A time as held, but with ':' between hours, minutes and seconds: a load finds the times from
// the line's first colon.
std::string heldTime(std::string time) {
    if (time.size() >= 11) time[2] = time[5] = ':';
    return time;
}

std::string comment(std::string_view which, const std::string& text) {
    return std::string(which) + text + crlf;
}

// The tape a load gives event index i when no line says its own: the log's, to an event that
// holds anything (as a change gives it to a new clip), none to a fresh one.
std::string tapeByDefault(const EventList& events, int i) {
    return events.touched(i) ? OneLine(events.tape) : "";
}
} // namespace

std::string ReelText(const std::string& name) {
    std::string reel = name.empty() ? "S" : OneLine(FirstChars(name, 6));
    std::replace(reel.begin(), reel.end(), ':', '_');
    std::size_t chars = CharCount(reel);
    do {
        reel += ' ';
    } while (++chars < 6);
    return reel;
}

std::string StandardText(const EventList& events, const std::string& savename,
                         const std::string& title, timecode::Rate rate) {
    std::string bytes = header(savename, title, rate);
    // The tape the whole log is of, so a list read back is the log that was saved.
    if (!events.tape.empty()) bytes += comment(tapeComment, OneLine(events.tape));
    for (const ClipToWrite& clip : ClipsToWrite(events, rate, timecode::CountOf(1, 0, 0, 0, rate)))
        bytes += eventLine(clip, clip.in, clip.out, rate);
    return bytes;
}

std::string AutosaveText(const EventList& events, const std::string& title, timecode::Rate rate) {
    const auto clips = ClipsToWrite(events, rate, timecode::CountOf(1, 0, 0, 0, rate));
    const auto ownTape = [&](const ClipToWrite& clip) {
        return clip.tape != tapeByDefault(events, clip.number - 1);
    };
    std::string bytes = header(autosaveTitle, title, rate);
    // Said whenever a clip's tape is: a load takes the last clip's tape for the log without it.
    if (!events.tape.empty() || std::any_of(clips.begin(), clips.end(), ownTape))
        bytes += comment(tapeComment, OneLine(events.tape));
    for (const ClipToWrite& clip : clips) {
        const int i = clip.number - 1;
        bytes +=
            eventLine(clip, heldTime(events.SrcInArray[i]), heldTime(events.SrcOutArray[i]), rate);
        bytes += comment(clipNameComment, clip.name);
        if (ownTape(clip)) bytes += comment(tapeComment, clip.tape);
        if (!clip.notes.empty()) bytes += comment(notesComment, clip.notes);
        if (clip.good) bytes += comment(goodTakeComment, std::string(goodTakeYes));
    }
    return bytes;
}
