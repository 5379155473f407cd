#include "CmxWriter.h"

#include "EdlWriter.h"

namespace {
const std::string crlf = "\r\n";
} // namespace

std::string CmxReelText(const std::string& tape) {
    std::string reel;
    for (std::size_t at = 0; at < tape.size() && reel.size() < 8; ++at) {
        const auto c = static_cast<unsigned char>(tape[at]);
        if ((c & 0xC0) == 0x80) continue; // the rest of a character already replaced
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '_' || c == '-';
        reel += plain ? static_cast<char>(c) : '_';
    }
    if (reel.empty()) reel = "AX";
    reel.resize(8, ' ');
    return reel;
}

int RecordStartAt(const std::optional<std::string>& setting, timecode::Rate rate) {
    if (setting && timecode::IsTimecode(*setting, rate))
        return *timecode::FrameCount(*setting, rate);
    return timecode::CountOf(1, 0, 0, 0, rate);
}

std::string CmxText(const EventList& events, const std::string& savename, timecode::Rate rate,
                    int recordStart) {
    const std::string tape = OneLine(events.tape);
    const std::string reel = CmxReelText(tape);
    std::string text = "TITLE: " + (tape.empty() ? OneLine(savename) : tape) + crlf +
                       (rate.dropFrame ? "FCM: DROP FRAME" : "FCM: NON-DROP FRAME") + crlf + crlf;
    // The whole tape, where the reel does not hold it ("AX" is the reel of no tape): a comment of
    // the first event, since readers take no comment before the first event.
    const bool tapeSaid = !tape.empty() && (reel.substr(0, reel.find(' ')) != tape || tape == "AX");
    const int count = EventsToWrite(events);
    int recordIn = recordStart;
    for (int i = 0; i < count; ++i) {
        const int recordOut = RecordTimeAfter(recordIn, ClipFrames(events, i, rate), rate);
        const ListTimes times = TimesForOtherSystems(events, i, rate);
        text += EditNumberText(i + 1) + "  " + reel + " AA/V  C        " + times.in + " " +
                times.out + " " + timecode::TimeText(recordIn, rate) + " " +
                timecode::TimeText(recordOut, rate) + crlf +
                "* FROM CLIP NAME: " + OneLine(events.ClipNameArray[i]) + crlf;
        if (i == 0 && tapeSaid) text += "* TAPE: " + tape + crlf;
        recordIn = recordOut;
    }
    return text;
}
