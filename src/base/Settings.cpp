#include "Settings.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <utility>

namespace {

std::optional<std::string> lookup(const Properties& props, const char* key) {
    auto it = props.find(key);
    if (it == props.end()) return std::nullopt;
    return it->second;
}

void readText(const Properties& props, const char* key, std::string& field) {
    if (auto v = lookup(props, key)) field = *v;
}

// A decimal integer with an optional sign and nothing else; nullopt otherwise.
std::optional<int> parseDecimal(const std::string& text) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') ++first;
    int value = 0;
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || ptr != last || first == last) return std::nullopt;
    return value;
}

std::string label(const std::string& name, const std::string& value) {
    std::string line = name;
    line.resize(std::max<std::size_t>(17, name.size() + 1), ' ');
    return line + "= " + value;
}

} // namespace

std::optional<int> NetPortFromText(const std::string& text) {
    const auto port = parseDecimal(text);
    if (!port || *port < 1 || *port > 65535) return std::nullopt;
    return port;
}

std::vector<std::string> DropOverlongValues(Properties& props) {
    std::vector<std::string> refused;
    for (auto it = props.begin(); it != props.end();) {
        if (it->second.size() <= maxSettingValue) {
            ++it;
            continue;
        }
        std::string key = Utf8Prefix(it->first, 40);
        if (key.size() < it->first.size()) key += "...";
        refused.push_back("Settings value too long: " + key);
        it = props.erase(it);
    }
    return refused;
}

Settings SettingsFromProperties(const Properties& props) {
    Settings s;
    if (auto v = lookup(props, "UserNote")) s.note = Utf8Prefix(*v, 10);
    readText(props, "Verbose", s.verbo);
    s.verbose = s.verbo == "YES";
    readText(props, "COMPort", s.comport1);
    readText(props, "UseClipboard", s.UseClipboard);
    readText(props, "StopOnExit", s.StopOnExit);
    s.PRString = "00:00:05:00";
    readText(props, "VCRType", s.VCRType);
    s.vanto = s.VCRType == "VANTO";
    readText(props, "Preroll", s.PRString);
    if (s.vanto) {
        s.compression = 4;
        s.videomode = 2;
        s.VideoMode = "NTSC";
        s.LoopRecMode = "NO";
        s.LoopPlayMode = "NO";
        if (auto v = lookup(props, "Compression")) {
            s.Compression = *v;
            // A value that is not a decimal integer keeps the default compression.
            s.compression = std::clamp(parseDecimal(*v).value_or(4), 4, 10);
        }
        if (auto v = lookup(props, "VideoMode")) {
            s.VideoMode = *v;
            s.videomode = *v == "PAL" ? 0 : *v == "NTSC" ? 2 : 3;
        }
        if (auto v = lookup(props, "VideoType")) {
            s.VideoType = *v;
            if (*v == "COMP") s.videotype = 0;
            if (*v == "SVID") s.videotype = 1;
        }
        if (auto v = lookup(props, "LoopRecMode")) {
            s.LoopRecMode = *v;
            if (*v == "YES") s.looprecmode = 1;
        }
        if (auto v = lookup(props, "LoopPlayMode")) {
            s.LoopPlayMode = *v;
            if (*v == "YES") s.loopplaymode = 1;
        }
    } else if (s.VCRType == "LANC") {
        s.lanc = true;
    }
    s.useclipboard = s.UseClipboard == "YES";
    s.stoponexit = s.StopOnExit == "YES";

    s.UseZAM = lookup(props, "UseZAM");
    s.zam = s.UseZAM == "YES";
    s.COMPort2 = lookup(props, "COMPort2");
    if (s.COMPort2) s.comport2 = *s.COMPort2;
    s.NetServer = lookup(props, "NetServer");
    s.netserver = s.NetServer == "YES";
    s.NetPort = lookup(props, "NetPort");
    // A port that is not a number from 1 to 65535 keeps the default, and the block says so.
    if (s.NetPort) s.netport = NetPortFromText(*s.NetPort).value_or(s.netport);
    s.NetAddress = lookup(props, "NetAddress");
    if (s.NetAddress) s.netaddress = *s.NetAddress;
    s.HyperDeckServer = lookup(props, "HyperDeckServer");
    s.hyperdeck = s.HyperDeckServer == "YES";
    s.HyperDeckPort = lookup(props, "HyperDeckPort");
    if (s.HyperDeckPort)
        s.hyperdeckport = NetPortFromText(*s.HyperDeckPort).value_or(s.hyperdeckport);
    s.HyperDeckAddress = lookup(props, "HyperDeckAddress");
    if (s.HyperDeckAddress) s.hyperdeckaddress = *s.HyperDeckAddress;
    s.HyperDeckRecord = lookup(props, "HyperDeckRecord");
    s.hyperdeckRecord = s.HyperDeckRecord == "YES";
    s.FrameRate = lookup(props, "FrameRate");
    if (s.FrameRate) {
        s.autoRate = *s.FrameRate == "AUTO";
        s.framerate = timecode::RateFromText(*s.FrameRate).value_or(timecode::rate30);
    }
    s.CaptureCommand = lookup(props, "CaptureCommand");
    s.CaptureFolder = lookup(props, "CaptureFolder");
    if (s.CaptureFolder && !s.CaptureFolder->empty()) s.captureFolder = *s.CaptureFolder;
    s.CaptureLead = lookup(props, "CaptureLead");
    // Frames before the in point: a decimal number up to an hour's; anything else keeps 0.
    if (s.CaptureLead)
        s.captureLead = std::clamp(parseDecimal(*s.CaptureLead).value_or(0), 0, 108000);
    s.CaptureExitOK = lookup(props, "CaptureExitOK");
    s.CaptureMinFree = lookup(props, "CaptureMinFree");
    if (s.CaptureMinFree)
        s.captureMinFree = ByteSizeFromText(*s.CaptureMinFree).value_or(s.captureMinFree);
    s.CaptureHandles = lookup(props, "CaptureHandles");
    if (s.CaptureHandles)
        s.captureHandles = std::clamp(parseDecimal(*s.CaptureHandles).value_or(0), 0, 108000);
    s.CaptureProbe = lookup(props, "CaptureProbe");
    s.CaptureTrim = lookup(props, "CaptureTrim");
    s.captureTrim = s.CaptureTrim == "YES";
    s.CaptureTrimCommand = lookup(props, "CaptureTrimCommand");
    s.CaptureFrameMD5 = lookup(props, "CaptureFrameMD5");
    s.captureFrameMd5 = s.CaptureFrameMD5 == "YES";
    s.RecordStart = lookup(props, "RecordStart");
    return s;
}

std::optional<long long> ByteSizeFromText(const std::string& text) {
    if (text.empty() || text.size() > 16) return std::nullopt;
    long long value = 0;
    size_t i = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10 + (text[i] - '0');
    if (i == 0) return std::nullopt;
    int shift = 0;
    if (i + 1 == text.size()) {
        const char unit = text[i];
        shift = unit == 'K' ? 10 : unit == 'M' ? 20 : unit == 'G' ? 30 : -1;
        if (shift < 0) return std::nullopt;
    } else if (i != text.size()) {
        return std::nullopt;
    }
    // At most a petabyte: no disk is larger, and the shift cannot overflow.
    if (value > (1LL << 50) >> shift) return std::nullopt;
    return value << shift;
}

std::vector<std::string> SettingsBlock(const Settings& s) {
    std::vector<std::string> lines{" ", "SETTINGS:", label("User Note", s.note),
                                   label("VCR Type", s.VCRType), label("VCR COM Port", s.comport1)};
    if (s.vanto) {
        lines.push_back(label("Compression", std::to_string(s.compression)));
        lines.push_back(label("VideoMode", s.VideoMode));
        lines.push_back(label("VideoType", s.VideoType));
        lines.push_back(label("LoopRecMode", s.LoopRecMode));
        lines.push_back(label("LoopPlayMode", s.LoopPlayMode));
    }
    lines.push_back(label("Use Clipboard", s.UseClipboard));
    lines.push_back(label("Stop On Exit", s.StopOnExit));
    lines.push_back(label("Verbose", s.verbo));
    const std::pair<const char*, const std::optional<std::string>&> optional[] = {
        {"Use ZAM", s.UseZAM},
        {"ZAM COM Port", s.COMPort2},
        {"Net Server", s.NetServer},
        {"Net Port", s.NetPort},
        {"Net Address", s.NetAddress},
        {"HyperDeck Server", s.HyperDeckServer},
        {"HyperDeck Port", s.HyperDeckPort},
        {"HyperDeck Address", s.HyperDeckAddress},
        {"HyperDeck Record", s.HyperDeckRecord},
        {"Capture Command", s.CaptureCommand},
        {"Capture Folder", s.CaptureFolder},
        {"Capture Lead", s.CaptureLead},
        {"Capture Exit OK", s.CaptureExitOK},
        {"Capture Min Free", s.CaptureMinFree},
        {"Capture Handles", s.CaptureHandles},
        {"Capture Probe", s.CaptureProbe},
        {"Capture Trim", s.CaptureTrim},
        {"Capture Trim Cmd", s.CaptureTrimCommand},
        {"Capture FrameMD5", s.CaptureFrameMD5},
        {"Record Start", s.RecordStart}};
    for (const auto& [name, value] : optional) {
        if (!value) continue;
        lines.push_back(label(name, *value));
        if (&value == &s.CaptureLead && std::to_string(s.captureLead) != *value)
            lines.push_back("Capture Lead " + *value +
                            " not known: " + std::to_string(s.captureLead) +
                            " used (frames before the in point, 0 to 108000)");
        if (&value == &s.CaptureHandles && std::to_string(s.captureHandles) != *value)
            lines.push_back("Capture Handles " + *value +
                            " not known: " + std::to_string(s.captureHandles) +
                            " used (frames before the in and after the out, 0 to 108000)");
        if (&value == &s.CaptureMinFree && !ByteSizeFromText(*value))
            lines.push_back("Capture Min Free " + *value +
                            " not known: " + std::to_string(s.captureMinFree >> 20) +
                            "M used (bytes, or a number with K, M or G)");
        if (&value == &s.RecordStart && !s.autoRate && !timecode::IsTimecode(*value, s.framerate))
            lines.push_back("Record Start " + *value + " is not a timecode at the rate " +
                            timecode::RateText(s.framerate) + ": CMX lists start at 01:00:00:00");
        if (&value == &s.NetPort && !NetPortFromText(*value))
            lines.push_back("Net Port " + *value + " not known: " + std::to_string(s.netport) +
                            " used (a port is a number from 1 to 65535)");
        if (&value == &s.HyperDeckPort && !NetPortFromText(*value))
            lines.push_back("HyperDeck Port " + *value +
                            " not known: " + std::to_string(s.hyperdeckport) +
                            " used (a port is a number from 1 to 65535)");
    }
    if (s.CaptureCommand && !timecode::FrameCount(s.PRString))
        lines.push_back("Preroll " + s.PRString +
                        " is not a timecode: captures cue the deck at the in point");
    // The rate in use; AUTO says so, and start-up reports what the deck gave.
    if (s.FrameRate) {
        lines.push_back(label("Frame Rate", s.autoRate ? "AUTO" : timecode::RateText(s.framerate)));
        if (!s.autoRate && !timecode::RateFromText(*s.FrameRate))
            lines.push_back("Frame Rate " + *s.FrameRate +
                            " not known: 30 used (the rates are 30, 25, 30DF and AUTO)");
    }
    return lines;
}
