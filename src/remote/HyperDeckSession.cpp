#include "HyperDeckSession.h"

#include "HyperDeckClips.h"
#include "HyperDeckReplies.h"
#include "HyperDeckTransport.h"

#include <algorithm>
#include <charconv>
#include <unistd.h>

using hyperdeck::Code;
using hyperdeck::Reply;

namespace {

// A whole decimal number, with an optional sign.
std::optional<int> Number(const std::string& text) {
    const char* first = text.data();
    if (!text.empty() && text[0] == '+') ++first;
    int value = 0;
    const auto [end, error] = std::from_chars(first, text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || first == end)
        return std::nullopt;
    return value;
}

// The deck's time as a frame count at its rate; 0 when it is not one.
int FramesOf(const DeckState& state) {
    return timecode::FrameCount(state.timecode, state.rate).value_or(0);
}

std::optional<bool> Flag(const std::string& text) {
    if (text == "true") return true;
    if (text == "false") return false;
    return std::nullopt;
}

// The speed parameter into `speed` when there is one; the reply to a bad one, else nothing.
std::string SpeedOf(const HyperDeckCommand& c, int& speed) {
    const auto* text = c.param("speed");
    if (!text) return {};
    const auto n = Number(*text);
    if (!n) return Reply(Code::InvalidValue);
    if (*n < -maxSpeedPercent || *n > maxSpeedPercent) return Reply(Code::OutOfRange);
    speed = *n;
    return {};
}

// Protocol commands KOLB knows of and does not carry out: "103 unsupported". Any other name is
// "100 syntax error", as a recorder answers a command it does not know.
const char* const unsupported[] = {
    "format",          "identify",   "play on startup", "play option", "playrange",
    "record spill",    "cache info", "dynamic range",   "clips add",   "playrange set",
    "playrange clear", "timeline",   "audio input",
};

// Taken as the program's static objects are made, before main.
const HyperDeckUptime::Clock::time_point programStart = HyperDeckUptime::Clock::now();

std::string HostName() {
    char name[256] = {};
    return ::gethostname(name, sizeof name - 1) == 0 ? name : "";
}

} // namespace

HyperDeckUptime::Clock::time_point HyperDeckUptime::ProgramStart() {
    return programStart;
}

const HyperDeckSession::Entry HyperDeckSession::table[] = {
    {"help", &HyperDeckSession::help, ""},
    {"?", &HyperDeckSession::help, ""},
    {"commands", &HyperDeckSession::commands, ""},
    {"device info", &HyperDeckSession::deviceInfo, ""},
    {"transport info", &HyperDeckSession::transportInfo, ""},
    {"slot info", &HyperDeckSession::slotInfo, "slot id,"},
    {"slot select", &HyperDeckSession::slotSelect, "slot id,"},
    {"play", &HyperDeckSession::play, "speed,loop,single clip,"},
    {"stop", &HyperDeckSession::stop, ""},
    {"record", &HyperDeckSession::record, "name,"},
    {"goto", &HyperDeckSession::go, "timecode,clip id,clip,timeline,"},
    {"jog", &HyperDeckSession::go, "timecode,"},
    {"shuttle", &HyperDeckSession::shuttle, "speed,"},
    {"preview", &HyperDeckSession::preview, "enable,"},
    {"remote", &HyperDeckSession::remote, "enable,override,"},
    {"notify", &HyperDeckSession::notify, "transport,slot,remote,configuration,dropped frames,"},
    {"watchdog", &HyperDeckSession::watch, "period,"},
    {"configuration", &HyperDeckSession::configuration,
     "audio input,video input,file format,audio codec,timecode input,timecode output,"
     "timecode preference,timecode preset,record trigger,append timestamp,genlock input resync,"},
    {"uptime", &HyperDeckSession::uptime, ""},
    {"ping", &HyperDeckSession::ok, ""},
    {"quit", &HyperDeckSession::bye, ""},
    {"clips count", &HyperDeckSession::clipsCount, ""},
    {"clips get", &HyperDeckSession::clipsGet, "clip id,count,version,"},
    {"clips clear", &HyperDeckSession::ok, ""},
    {"disk list", &HyperDeckSession::diskList, "slot id,"},
};

std::string HyperDeckSession::handle(const HyperDeckCommand& command) {
    for (const Entry& entry : table) {
        if (command.name != entry.name) continue;
        const std::string takes = std::string(",") + entry.params;
        for (const auto& [key, value] : command.params)
            if (takes.find(',' + key + ',') == std::string::npos)
                return Reply(Code::UnsupportedParameter);
        return (this->*entry.handler)(command);
    }
    for (const char* name : unsupported)
        if (command.name == name) return Reply(Code::Unsupported);
    return Reply(Code::SyntaxError);
}

std::string HyperDeckSession::refusal(bool needsTape) {
    if (deck.captureRunning()) {
        deck.refuseForCapture();
        return Reply(Code::InvalidState);
    }
    const DeckState state = deck.deckState();
    if (state.local) return Reply(Code::RemoteDisabled);
    if (needsTape && state.noTape) return Reply(Code::NoDisk);
    return {};
}

std::optional<HyperDeckPacer::Turn> HyperDeckSession::paced() {
    if (!pacer) return std::nullopt;
    return pacer->turn();
}

void HyperDeckSession::shuttleAt(int percent) {
    if (percent == 0)
        deck.pause();
    else
        deck.shuttle(percent < 0, SpeedByte(percent));
}

std::string HyperDeckSession::play(const HyperDeckCommand& c) {
    int speed = 100;
    if (auto no = SpeedOf(c, speed); !no.empty()) return no;
    bool clipPlay = false;
    for (const char* flag : {"loop", "single clip"}) {
        const auto* text = c.param(flag);
        if (!text) continue;
        const auto on = Flag(*text);
        if (!on) return Reply(Code::InvalidValue);
        clipPlay = clipPlay || *on;
    }
    if (auto no = refusal(true); !no.empty()) return no;
    const auto turn = paced();
    if (clipPlay && speed == 100) {
        // The clip under the playhead, to its out point; with no clip there, a plain play.
        // The clip where the deck is, or where a goto's cue takes it.
        const auto clips = deck.loggedClips();
        const int at = deck.cueUnderWay().value_or(FramesOf(deck.deckState()));
        const int id = hyperdeck::CurrentClip(clips, at);
        const auto* loop = c.param("loop");
        if (id > 0 && deck.playClip(clips[id - 1], loop && *loop == "true")) return Reply(Code::Ok);
    }
    if (speed == 100) {
        if (!deck.rollWhenCued()) deck.play();
    } else {
        deck.callOffCue();
        shuttleAt(speed);
    }
    return Reply(Code::Ok);
}

std::string HyperDeckSession::stop(const HyperDeckCommand&) {
    if (auto no = refusal(false); !no.empty()) return no;
    const auto turn = paced();
    deck.callOffCue();
    deck.stop();
    return Reply(Code::Ok);
}

std::string HyperDeckSession::record(const HyperDeckCommand&) {
    // Recording over a tape is the operator's choice: only with HyperDeckRecord=YES.
    if (!deck.hyperDeckRecordAllowed()) {
        if (say)
            say("HyperDeck client's record refused: HyperDeckRecord is not YES in the settings");
        return Reply(Code::InvalidState);
    }
    // A tape has no clip names: a name given is not kept.
    if (auto no = refusal(true); !no.empty()) return no;
    const auto turn = paced();
    deck.callOffCue();
    deck.record();
    return Reply(Code::Ok);
}

std::string HyperDeckSession::go(const HyperDeckCommand& c) {
    if (c.params.size() != 1) return Reply(Code::SyntaxError);
    const auto& [key, value] = c.params.front();
    if (key == "timecode") return cueTo(value);
    if (key != "clip id" && key != "clip") return Reply(Code::TimelineEmpty);
    const auto clips = deck.loggedClips();
    if (clips.empty()) return Reply(Code::TimelineEmpty);
    const int current = hyperdeck::CurrentClip(clips, FramesOf(deck.deckState()));
    if (key == "clip") {
        // The current clip's start or end: its in point, or the frame before its out.
        if (value != "start" && value != "end") return Reply(Code::InvalidValue);
        if (current == 0) return Reply(Code::OutOfRange);
        const LoggedClip& clip = clips[current - 1];
        return value == "start"
                   ? cueTo(clip.in)
                   : cueTo(timecode::TimeText(clip.outFrames - 1, deck.deckState().rate));
    }
    // Between clips, "+1" is the one after the clip the deck has last passed the in point of.
    const int from =
        current > 0 ? current : hyperdeck::ClipBefore(clips, FramesOf(deck.deckState()));
    const auto id = hyperdeck::ClipIdOf(value, from);
    if (!id) return Reply(Code::InvalidValue);
    if (*id < 1 || *id > static_cast<int>(clips.size())) return Reply(Code::OutOfRange);
    return cueTo(clips[*id - 1].in);
}

std::string HyperDeckSession::cueTo(const std::string& text) {
    if (text.empty()) return Reply(Code::InvalidValue);
    const DeckState state = deck.deckState();
    std::string target;
    if (text[0] == '+' || text[0] == '-') {
        const std::string span = text.substr(1);
        const auto from = timecode::FrameCount(state.timecode, state.rate);
        const auto by = timecode::IsTimecode(span, state.rate)
                            ? timecode::FrameCount(span, state.rate)
                            : std::nullopt;
        if (!by || !from) return Reply(Code::InvalidValue);
        const int frames = text[0] == '+' ? *from + *by : *from - *by;
        if (frames < 0 || frames >= timecode::FramesPerDay(state.rate))
            return Reply(Code::OutOfRange);
        target = timecode::TimeText(frames, state.rate);
    } else if (timecode::IsTimecode(text, state.rate)) {
        target = text;
    } else {
        return Reply(Code::InvalidValue);
    }
    if (auto no = refusal(true); !no.empty()) return no;
    const auto turn = paced();
    return Reply(deck.cueTo(target) ? Code::Ok : Code::InvalidValue);
}

std::string HyperDeckSession::shuttle(const HyperDeckCommand& c) {
    int speed = 0;
    if (auto no = SpeedOf(c, speed); !no.empty()) return no;
    if (auto no = refusal(true); !no.empty()) return no;
    const auto turn = paced();
    deck.callOffCue();
    shuttleAt(speed);
    return Reply(Code::Ok);
}

std::string HyperDeckSession::preview(const HyperDeckCommand& c) {
    const auto* text = c.param("enable");
    const auto on = text ? Flag(*text) : std::nullopt;
    if (!on) return Reply(Code::InvalidValue);
    if (auto no = refusal(false); !no.empty()) return no;
    const auto turn = paced();
    deck.callOffCue();
    if (*on)
        deck.eeon();
    else
        deck.eeoff();
    return Reply(Code::Ok);
}

std::string HyperDeckSession::remote(const HyperDeckCommand& c) {
    const DeckState state = deck.deckState();
    if (c.params.empty())
        return hyperdeck::Block(210, "remote info", hyperdeck::RemoteFields(state));
    // The deck's own switch gives and takes remote control, and nothing overrides it: a client
    // can only ask for what is.
    const auto* enable = c.param("enable");
    const auto* overriding = c.param("override");
    if ((enable && *enable != "true") || (overriding && *overriding != "false"))
        return Reply(Code::Unsupported);
    return Reply(enable && state.local ? Code::RemoteDisabled : Code::Ok);
}

std::string HyperDeckSession::notify(const HyperDeckCommand& c) {
    if (c.params.empty()) {
        auto text = [](bool on) { return std::string(on ? "true" : "false"); };
        return hyperdeck::Block(209, "notify",
                                {{"transport", text(notifyTransport)},
                                 {"slot", text(notifySlot)},
                                 {"remote", text(notifyRemote)},
                                 {"configuration", text(notifyConfiguration)},
                                 {"dropped frames", text(notifyDroppedFrames)}});
    }
    for (const auto& [key, value] : c.params)
        if (!Flag(value)) return Reply(Code::InvalidValue);
    for (const auto& [key, value] : c.params) {
        const bool on = *Flag(value);
        if (key == "transport") notifyTransport = on;
        if (key == "slot") notifySlot = on;
        if (key == "remote") notifyRemote = on;
        if (key == "configuration") notifyConfiguration = on;
        if (key == "dropped frames") notifyDroppedFrames = on;
    }
    return Reply(Code::Ok);
}

std::string HyperDeckSession::watch(const HyperDeckCommand& c) {
    // No period, or one of 0 or less, is no watch.
    const auto* text = c.param("period");
    const auto seconds = text ? Number(*text) : std::optional<int>(0);
    if (!seconds) return Reply(Code::InvalidValue);
    if (*seconds > maxWatchdogSeconds) return Reply(Code::OutOfRange);
    watchdog = std::max(*seconds, 0);
    return Reply(Code::Ok);
}

std::string HyperDeckSession::configuration(const HyperDeckCommand& c) {
    const auto present = hyperdeck::ConfigurationFields(deck.deckState());
    if (c.params.empty()) return hyperdeck::Block(211, "configuration", present);
    // KOLB cannot set the deck's inputs or formats: a client can only ask for what is.
    for (const auto& param : c.params)
        if (std::find(present.begin(), present.end(), param) == present.end())
            return Reply(Code::Unsupported);
    return Reply(Code::Ok);
}

std::string HyperDeckSession::uptime(const HyperDeckCommand&) {
    const auto seconds = std::chrono::floor<std::chrono::seconds>(clock.now() - clock.start);
    return hyperdeck::Block(215, "uptime", {{"uptime", std::to_string(seconds.count())}});
}

std::string HyperDeckSession::transportInfo(const HyperDeckCommand&) {
    return hyperdeck::Block(208, "transport info", hyperdeck::TransportFields(deck.deckState()));
}

std::string HyperDeckSession::slotInfo(const HyperDeckCommand& c) {
    if (const auto* id = c.param("slot id"); id && *id != "1") return Reply(Code::OutOfRange);
    return hyperdeck::Block(202, "slot info", hyperdeck::SlotFields(deck.deckState()));
}

std::string HyperDeckSession::slotSelect(const HyperDeckCommand& c) {
    const auto* id = c.param("slot id");
    if (!id) return Reply(Code::SyntaxError);
    return Reply(*id == "1" ? Code::Ok : Code::OutOfRange);
}

std::string HyperDeckSession::deviceInfo(const HyperDeckCommand&) {
    return hyperdeck::DeviceInfo(hyperdeck::UniqueId(HostName()));
}

std::vector<hyperdeck::Taken> HyperDeckSession::taken() {
    std::vector<hyperdeck::Taken> list;
    for (const Entry& entry : table)
        if (std::string_view(entry.name) != "?") list.push_back({entry.name, entry.params});
    return list;
}

std::string HyperDeckSession::help(const HyperDeckCommand&) {
    return hyperdeck::Help(taken());
}

std::string HyperDeckSession::commands(const HyperDeckCommand&) {
    return hyperdeck::Commands(taken());
}

std::string HyperDeckSession::ok(const HyperDeckCommand&) {
    return Reply(Code::Ok);
}

std::string HyperDeckSession::bye(const HyperDeckCommand&) {
    quit = true;
    return Reply(Code::Ok);
}

std::string HyperDeckSession::clipsCount(const HyperDeckCommand&) {
    return hyperdeck::ClipsCount(deck.loggedClips());
}

std::string HyperDeckSession::clipsGet(const HyperDeckCommand& c) {
    int first = 1, count = 0, version = 1;
    for (auto [key, target] :
         {std::pair{"clip id", &first}, {"count", &count}, {"version", &version}}) {
        const auto* text = c.param(key);
        if (!text) continue;
        const auto n = Number(*text);
        if (!n || *n < 0) return Reply(Code::InvalidValue);
        *target = *n;
    }
    if (version != 1 && version != 2) return Reply(Code::OutOfRange);
    return hyperdeck::ClipsInfo(deck.loggedClips(), first, count, version, deck.deckState().rate);
}

std::string HyperDeckSession::diskList(const HyperDeckCommand& c) {
    if (const auto* id = c.param("slot id"); id && *id != "1") return Reply(Code::OutOfRange);
    return hyperdeck::DiskList(deck.loggedClips(), deck.deckState().rate);
}
