#include "HyperDeckReplies.h"

#include "HyperDeckTransport.h"

#include <algorithm>
#include <cstdint>

namespace hyperdeck {

namespace {
constexpr const char* end = "\r\n";

std::string VideoFormat(const DeckState& state) {
    return state.rate.fps == 25 ? "PAL" : "NTSC";
}

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

std::string DeviceInfo(const std::string& uniqueId) {
    return Block(204, "device info",
                 {{"protocol version", protocolVersion},
                  {"model", model},
                  {"unique id", uniqueId},
                  {"slot count", "1"}});
}

std::string UniqueId(std::string_view hostName) {
    std::uint64_t hash = 0xcbf29ce484222325;
    for (const char c : hostName) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3;
    }
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i, hash >>= 4) text[i] = "0123456789abcdef"[hash & 0xf];
    return text;
}

namespace {
// A table's parameter list, "speed,loop,": each name in turn.
std::vector<std::string> paramNames(const std::string& list) {
    std::vector<std::string> names;
    for (std::size_t from = 0, comma; (comma = list.find(',', from)) != std::string::npos;
         from = comma + 1)
        names.push_back(list.substr(from, comma - from));
    return names;
}
} // namespace

std::string Help(const std::vector<Taken>& taken) {
    std::string text = std::string("201 help:") + end;
    text +=
        std::string("KOLB drives a 9-pin deck; slot 1 is its tape, its clips the open logger's.") +
        end;
    for (const Taken& command : taken) {
        text += command.name;
        const auto names = paramNames(command.params);
        for (std::size_t i = 0; i < names.size(); ++i)
            text += (i == 0 ? " (" : ", ") + names[i] + (i + 1 == names.size() ? ")" : "");
        text += end;
    }
    return text + end;
}

std::string Commands(const std::vector<Taken>& taken) {
    std::string text = std::string("212 commands:") + end;
    text += std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>") + end + "<commands>" + end;
    for (const Taken& command : taken) {
        const auto names = paramNames(command.params);
        text += std::string("    <command name=\"") + command.name + "\"";
        if (names.empty()) {
            text += std::string("/>") + end;
            continue;
        }
        text += ">";
        for (const std::string& name : names) text += "<parameter name=\"" + name + "\"/>";
        text += std::string("</command>") + end;
    }
    return text + "</commands>" + end + end;
}

Fields TransportFields(const DeckState& state) {
    const TransportView view = TransportOf(state);
    return {{"status", view.status},
            {"speed", std::to_string(view.speed)},
            {"slot id", state.noTape ? "none" : "1"},
            {"clip id", state.clipId > 0 ? std::to_string(state.clipId) : "none"},
            {"single clip", state.singleClip ? "true" : "false"},
            {"display timecode", state.timecode},
            {"timecode", state.timecode},
            {"video format", VideoFormat(state)},
            {"loop", state.loop ? "true" : "false"}};
}

Fields SlotFields(const DeckState& state) {
    return {{"slot id", "1"},
            {"status", state.noTape ? "empty" : "mounted"},
            {"volume name", state.noTape ? "none" : "tape"},
            {"recording time", "0"},
            {"video format", VideoFormat(state)},
            {"blocked", "false"}};
}

Fields ConfigurationFields(const DeckState& state) {
    // What the 9-pin link does not tell is given as a tape deck is usually set up: SDI video
    // with embedded PCM audio, house timecode recorded and played continuously along the tape,
    // and no files.
    return {{"audio input", "embedded"},
            {"video input", "SDI"},
            {"file format", "none"},
            {"audio codec", "PCM"},
            {"timecode input", "external"},
            {"timecode output", "timeline"},
            {"timecode preference", state.rate.dropFrame ? "dropframe" : "nondropframe"},
            {"timecode preset", timecode::TimeText(0, state.rate)},
            {"record trigger", "none"},
            {"append timestamp", "false"},
            {"genlock input resync", "false"}};
}

Fields RemoteFields(const DeckState& state) {
    return {{"enabled", state.local ? "false" : "true"}, {"override", "false"}};
}

} // namespace hyperdeck
