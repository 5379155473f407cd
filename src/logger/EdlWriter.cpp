#include "EdlWriter.h"

#include "Timecode.h"

#include <algorithm>
#include <cctype>

namespace {
const std::string crlf = "\r\n";

// The number of events written: event 1, then every one up to the first whose source out is
// still zero.
int eventsToWrite(const EventList& events) {
    int n = 1;
    while (n < EventList::size && events.SrcOutArray[n] != timecode::zero) ++n;
    return n;
}

std::string header(const std::string& savename, const std::string& title, EdlLayout layout,
                   timecode::Rate rate) {
    const std::string fcm = rate.dropFrame ? "FCM: DROP FRAME" : "FCM: NON-DROP FRAME";
    if (layout == EdlLayout::Cmx3600) return "TITLE: " + savename + crlf + fcm + crlf + crlf;
    return "TITLE: " + savename + " " + crlf + "REM Made by " + title + " " + crlf + fcm + " " +
           crlf;
}
} // namespace

std::string EditNumberText(int number) {
    std::string text = std::to_string(number);
    if (text.size() < 3) text.insert(0, 3 - text.size(), '0');
    return text;
}

std::string ReelText(const std::string& name) {
    std::string reel = name.empty() ? "S" : name.substr(0, 6);
    std::replace(reel.begin(), reel.end(), ':', '_');
    do {
        reel += ' ';
    } while (reel.size() < 6);
    return reel;
}

std::string CmxReelText(const std::string& name) {
    std::string reel;
    for (const char c : name) {
        if (reel.size() == 8) break;
        const bool plain = std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-';
        reel += plain ? c : '_';
    }
    if (reel.empty()) reel = "AX";
    reel.resize(8, ' ');
    return reel;
}

EdlText FormatEDL(const EventList& events, const std::string& savename, const std::string& title,
                  EdlLayout layout, timecode::Rate rate) {
    EdlText out;
    out.bytes = header(savename, title, layout, rate);
    int recordIn = timecode::CountOf(1, 0, 0, 0, rate); // 01:00:00:00
    const int count = eventsToWrite(events);
    for (int i = 0; i < count; ++i) {
        const std::string& in = events.SrcInArray[i];
        const std::string& outTime = events.SrcOutArray[i];
        const auto start = timecode::FrameCount(in, rate);
        const auto end = timecode::FrameCount(outTime, rate);
        if (!start || !end) {
            out.bytes.clear();
            out.invalidEvent = i + 1;
            return out;
        }
        const int recordOut = recordIn + (*end - *start);
        const std::string times = in + " " + outTime + " " + timecode::TimeText(recordIn, rate) +
                                  " " + timecode::TimeText(recordOut, rate);
        const std::string& name = events.ClipNameArray[i];
        if (layout == EdlLayout::Cmx3600) {
            out.bytes += EditNumberText(i + 1) + "  " + CmxReelText(name) + " AA/V  C        " +
                         times + crlf + "* FROM CLIP NAME: " + name + crlf;
        } else {
            out.bytes += EditNumberText(i + 1) + "  " + ReelText(name) + "   AA/V  C        " +
                         times + " " + crlf;
        }
        recordIn = recordOut;
    }
    return out;
}
