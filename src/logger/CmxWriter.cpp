#include "CmxWriter.h"

#include "ClipsToWrite.h"
#include "ListComments.h"

#include <map>

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
    // A reader takes these reels for black, no clip at all.
    if (reel == "BL" || reel == "BLACK") reel += '_';
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
    const std::string logTape = OneLine(events.tape);
    std::string text = "TITLE: " + (logTape.empty() ? OneLine(savename) : logTape) + crlf +
                       (rate.dropFrame ? "FCM: DROP FRAME" : "FCM: NON-DROP FRAME") + crlf + crlf;
    // The whole tape each reel was last said with: a reader gives it to the later events of that
    // reel that say none of their own (as lists of one tape said it once, after event 001).
    std::map<std::string, std::string> saidWith;
    for (const ClipToWrite& clip : ClipsToWrite(events, rate, recordStart)) {
        const std::string reel = CmxReelText(clip.tape);
        const std::string reelWord = reel.substr(0, reel.find(' '));
        const auto said = saidWith.find(reelWord);
        // "AX" is the reel of no tape: a tape of that name is said.
        const bool whole = clip.tape.empty() || (reelWord == clip.tape && clip.tape != "AX");
        const bool sayTape = !whole || (said != saidWith.end() && said->second != clip.tape);
        text += EditNumberText(clip.number) + "  " + reel + " AA/V  C        " +
                clip.forOtherSystems.in + " " + clip.forOtherSystems.out + " " +
                timecode::TimeText(clip.recordIn, rate) + " " +
                timecode::TimeText(clip.recordOut, rate) + crlf;
        text += std::string(clipNameComment) + clip.name + crlf;
        if (sayTape) {
            text += std::string(tapeComment) + clip.tape + crlf;
            saidWith[reelWord] = clip.tape;
        }
        if (!clip.notes.empty()) text += std::string(notesComment) + clip.notes + crlf;
        if (clip.good) text += std::string(goodTakeComment) + std::string(goodTakeYes) + crlf;
    }
    return text;
}
