#include "HyperDeckReplies.h"

#include "HyperDeckTransport.h"

#include <algorithm>

namespace hyperdeck {

namespace {
constexpr const char* end = "\r\n";

std::string VideoFormat(const DeckState& state) {
    return state.rate.fps == 25 ? "PAL" : "NTSC";
}

// What KOLB takes: each command with its parameters.
const std::pair<const char*, const char*> taken[] = {
    {"help", ""},
    {"commands", ""},
    {"device info", ""},
    {"transport info", ""},
    {"slot info", "slot id"},
    {"play", "speed, loop, single clip"},
    {"stop", ""},
    {"record", "name"},
    {"goto", "timecode, clip id, clip, timeline"},
    {"jog", "timecode"},
    {"shuttle", "speed"},
    {"preview", "enable"},
    {"remote", ""},
    {"notify", "transport, slot, remote, configuration, dropped frames"},
    {"watchdog", "period"},
    {"ping", ""},
    {"quit", ""},
    {"clips count", ""},
    {"clips get", "clip id, count, version"},
    {"clips clear", ""},
    {"disk list", "slot id"},
    {"slot select", "slot id"},
};
} // namespace

std::string Reply(Code code) {
    const char* text = "";
    switch (code) {
    case Code::SyntaxError:
        text = "syntax error";
        break;
    case Code::UnsupportedParameter:
        text = "unsupported parameter";
        break;
    case Code::InvalidValue:
        text = "invalid value";
        break;
    case Code::Unsupported:
        text = "unsupported";
        break;
    case Code::NoDisk:
        text = "no disk";
        break;
    case Code::TimelineEmpty:
        text = "timeline empty";
        break;
    case Code::InternalError:
        text = "internal error";
        break;
    case Code::OutOfRange:
        text = "out of range";
        break;
    case Code::RemoteDisabled:
        text = "remote control disabled";
        break;
    case Code::ConnectionRejected:
        text = "connection rejected";
        break;
    case Code::InvalidState:
        text = "invalid state";
        break;
    case Code::Ok:
        text = "ok";
        break;
    }
    return std::to_string(static_cast<int>(code)) + ' ' + text + end;
}

std::string Block(int code, const std::string& title, const Fields& fields) {
    std::string text = std::to_string(code) + ' ' + title + ':' + end;
    for (const auto& [key, value] : fields) text += key + ": " + value + end;
    return text + end;
}

std::string Banner() {
    return Block(500, "connection info", {{"protocol version", protocolVersion}, {"model", model}});
}

std::string DeviceInfo() {
    return Block(204, "device info",
                 {{"protocol version", protocolVersion}, {"model", model}, {"slot count", "1"}});
}

std::string Help() {
    std::string text = std::string("201 help:") + end;
    text +=
        std::string("KOLB drives a 9-pin deck; slot 1 is its tape, which holds no clips.") + end;
    for (const auto& [name, params] : taken) {
        text += name;
        if (*params) text += std::string(" (") + params + ")";
        text += end;
    }
    return text + end;
}

std::string Commands() {
    std::string text = std::string("212 commands:") + end;
    text += std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>") + end + "<commands>" + end;
    for (const auto& [name, params] : taken) {
        const std::string list = params;
        if (list.empty()) {
            text += std::string("    <command name=\"") + name + "\"/>" + end;
            continue;
        }
        text += std::string("    <command name=\"") + name + "\">";
        for (std::size_t from = 0; from <= list.size();) {
            const auto comma = std::min(list.find(", ", from), list.size());
            text += "<parameter name=\"" + list.substr(from, comma - from) + "\"/>";
            from = comma + 2;
        }
        text += std::string("</command>") + end;
    }
    return text + "</commands>" + end + end;
}

Fields TransportFields(const DeckState& state) {
    const TransportView view = TransportOf(state);
    return {{"status", view.status},
            {"speed", std::to_string(view.speed)},
            {"slot id", state.noTape ? "none" : "1"},
            {"clip id", "none"},
            {"single clip", "false"},
            {"display timecode", state.timecode},
            {"timecode", state.timecode},
            {"video format", VideoFormat(state)},
            {"loop", "false"}};
}

Fields SlotFields(const DeckState& state) {
    return {{"slot id", "1"},
            {"status", state.noTape ? "empty" : "mounted"},
            {"volume name", state.noTape ? "none" : "tape"},
            {"recording time", "0"},
            {"video format", VideoFormat(state)}};
}

Fields RemoteFields(const DeckState& state) {
    return {{"enabled", state.local ? "false" : "true"}, {"override", "false"}};
}

} // namespace hyperdeck
