#pragma once

#include "DeckState.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The texts KOLB sends a HyperDeck protocol client. Every line ends in CR LF; a reply with
// parameters is "code title:", a line per parameter and a blank line.
namespace hyperdeck {

// The protocol version KOLB speaks: the one whose commands it takes.
inline constexpr const char* protocolVersion = "1.6";
inline constexpr const char* model = "KOLB";

// The one-line replies.
enum class Code {
    SyntaxError = 100,
    UnsupportedParameter = 101,
    InvalidValue = 102,
    Unsupported = 103,
    NoDisk = 105,
    TimelineEmpty = 107,
    InternalError = 108,
    OutOfRange = 109,
    RemoteDisabled = 111,
    ConnectionRejected = 120,
    InvalidState = 150,
    Ok = 200,
};
std::string Reply(Code code);

using Fields = std::vector<std::pair<std::string, std::string>>;
std::string Block(int code, const std::string& title, const Fields& fields);

// 500: sent to every client as it connects.
std::string Banner();
// 204, with the id of this KOLB.
std::string DeviceInfo(const std::string& uniqueId);
// The unique id of a KOLB on the machine of that name: 16 hex digits, the name's 64-bit FNV-1a
// hash. The same on every start, and told apart from the KOLBs of other machines.
std::string UniqueId(std::string_view hostName);
// A command a client may send, and the parameters it takes, each followed by a comma
// ("speed,loop,single clip,").
struct Taken {
    const char* name;
    const char* params;
};
// 201 and 212: the commands taken, as the session's table gives them.
std::string Help(const std::vector<Taken>& taken);
std::string Commands(const std::vector<Taken>& taken);

// The transport's parameters as "transport info" gives them (208), and as notifications send
// those that changed (508).
Fields TransportFields(const DeckState& state);
// The slot's (202, 502).
Fields SlotFields(const DeckState& state);
// The configuration (211): what a tape deck on a 9-pin link records from, as far as KOLB can
// say. Only the timecode's drop-frame follows the deck; the rest is fixed.
Fields ConfigurationFields(const DeckState& state);
// Remote control (210, 510): enabled unless the deck is in LOCAL.
Fields RemoteFields(const DeckState& state);

} // namespace hyperdeck
