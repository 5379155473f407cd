#include "CommandLanguage.h"

#include <climits>
#include <functional>
#include <utility>

namespace {
// The command words in the order they are tried. A cue motion whose text is not a timecode
// counts as not understood.
using Word = std::pair<const char*, std::function<bool(CommandTarget&)>>;

template <void (CommandTarget::*op)()> bool invoke(CommandTarget& t) {
    (t.*op)();
    return true;
}

const Word words[] = {
    {"Play", invoke<&CommandTarget::play>},
    {"Pause", invoke<&CommandTarget::pause>},
    {"Stop", invoke<&CommandTarget::stop>},
    {"Forward", invoke<&CommandTarget::forward>},
    {"Rewind", invoke<&CommandTarget::rewind>},
    {"Record", invoke<&CommandTarget::record>},
    {"GetTC", invoke<&CommandTarget::reporttc>},
    {"Status", invoke<&CommandTarget::reportstatus>},
    {"CueIn", &CommandTarget::cue},
    {"CueOut", &CommandTarget::cueout},
    {"JogF", invoke<&CommandTarget::jogf>},
    {"JogR", invoke<&CommandTarget::jogr>},
    {"Fast2", invoke<&CommandTarget::fasttwo>},
    {"Fast5", invoke<&CommandTarget::fastfive>},
    {"Slow5", invoke<&CommandTarget::slowfifth>},
    {"Slow3", invoke<&CommandTarget::slowthird>},
    {"Slow2", invoke<&CommandTarget::slowhalf>},
    {"CuePlay", &CommandTarget::cueplay},
    {"EEOn", invoke<&CommandTarget::eeon>},
    {"EEOff", invoke<&CommandTarget::eeoff>},
    {"Review", &CommandTarget::reviewclip},
    {"SbyOn", invoke<&CommandTarget::sbyon>},
    {"SbyOff", invoke<&CommandTarget::sbyoff>},
    {"CaptureAll", &CommandTarget::captureAll},
    {"CaptureFailed", &CommandTarget::captureFailed},
    {"CaptureStatus", invoke<&CommandTarget::reportcapture>},
};

// What may go on while a capture runs: nothing of it moves the deck. LoadList is refused too,
// though it does not move the deck: it replaces the log the batch was taken from, and what the
// window shows of the log would no longer be what is being captured.
bool AllowedWhileCapturing(const std::string& line) {
    return line == "GetTC" || line == "Status" || line == "CaptureStatus";
}
} // namespace

std::optional<int> WaitSeconds(const std::string& argument) {
    if (argument.empty() || argument.size() > 9) return std::nullopt;
    long seconds = 0;
    for (const char c : argument) {
        if (c < '0' || c > '9') return std::nullopt;
        seconds = seconds * 10 + (c - '0');
    }
    if (seconds > INT_MAX / 1000) return std::nullopt;
    return static_cast<int>(seconds);
}

bool ParseNetCommand(CommandTarget& vcr, const std::string& line) {
    if (vcr.captureRunning() && !AllowedWhileCapturing(line)) {
        vcr.refuseForCapture();
        return true;
    }
    for (const auto& [word, op] : words)
        if (line == word) return op(vcr);
    if (line.rfind("Wait", 0) == 0) {
        const auto seconds = WaitSeconds(line.substr(4));
        if (!seconds) return false;
        vcr.waitFor(*seconds * 1000);
        return true;
    }
    // Everything after the blank is the path, blanks in it included.
    if (line.rfind("LoadList ", 0) == 0) return vcr.loadList(line.substr(9));
    if (line.rfind("tc1", 0) == 0) {
        vcr.setCueField(line.substr(3));
        return true;
    }
    if (line.rfind("tc2", 0) == 0) {
        vcr.setEndField(line.substr(3));
        return true;
    }
    return false;
}
