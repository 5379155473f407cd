#include "SimControl.h"

#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace {

using Words = std::vector<std::string>;

Words split(const std::string& line) {
    std::istringstream in(line);
    Words words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

std::string trimmed(const std::string& line) {
    const auto first = line.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return line.substr(first, line.find_last_not_of(" \t\r\n") - first + 1);
}

std::optional<bool> onOff(const std::string& w) {
    if (w == "on") return true;
    if (w == "off") return false;
    return std::nullopt;
}

// Plain decimal digits that fit in an int.
std::optional<int> wholeNumber(const std::string& w) {
    if (w.empty() || w.size() > 10 || w.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const long long v = std::stoll(w);
    if (v > std::numeric_limits<int>::max()) return std::nullopt;
    return static_cast<int>(v);
}

// Plain decimal digits with an optional leading '-', that fit in an int.
std::optional<int> signedNumber(const std::string& w) {
    const bool negative = !w.empty() && w[0] == '-';
    const auto magnitude = wholeNumber(negative ? w.substr(1) : w);
    if (!magnitude) return std::nullopt;
    return negative ? -*magnitude : *magnitude;
}

// Decimal digits with at most one point, above zero.
std::optional<double> positiveNumber(const std::string& w) {
    if (w.empty() || w.find_first_not_of("0123456789.") != std::string::npos ||
        w.find('.') != w.rfind('.') || w.find_first_of("0123456789") == std::string::npos)
        return std::nullopt;
    const double v = std::strtod(w.c_str(), nullptr);
    if (!(v > 0) || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<TimeKind> timeKind(const std::string& w) {
    if (w == "ltc") return TimeKind::Ltc;
    if (w == "vitc") return TimeKind::Vitc;
    if (w == "timer1") return TimeKind::Timer1;
    return std::nullopt;
}

// A command: how many values it takes and what it does with them; an empty answer means done,
// otherwise it says what is wrong with the value (and nothing was changed).
struct Command {
    bool takesValue;
    std::function<std::string(DeckSim&, const std::string& value)> apply;
};

Command switchCommand(void (DeckSim::*set)(bool)) {
    return {true, [set](DeckSim& sim, const std::string& v) -> std::string {
                const auto on = onOff(v);
                if (!on) return "needs on or off";
                (sim.*set)(*on);
                return {};
            }};
}

Command wholeCommand(void (DeckSim::*set)(int)) {
    return {true, [set](DeckSim& sim, const std::string& v) -> std::string {
                const auto n = wholeNumber(v);
                if (!n) return "needs a whole number";
                (sim.*set)(*n);
                return {};
            }};
}

Command plainCommand(void (DeckSim::*act)()) {
    return {false, [act](DeckSim& sim, const std::string&) -> std::string {
                (sim.*act)();
                return {};
            }};
}

const std::map<std::string, Command>& commands() {
    static const std::map<std::string, Command> table = {
        {"local", switchCommand(&DeckSim::setLocal)},
        {"eject", plainCommand(&DeckSim::ejectTape)},
        {"load", plainCommand(&DeckSim::loadTape)},
        {"time",
         {true,
          [](DeckSim& sim, const std::string& v) -> std::string {
              const auto kind = timeKind(v);
              if (!kind) return "needs ltc, vitc or timer1";
              sim.setTimeKind(*kind);
              return {};
          }}},
        {"paced", switchCommand(&DeckSim::setPaced)},
        {"no-reply", switchCommand(&DeckSim::setNoReply)},
        {"late", wholeCommand(&DeckSim::setLateMs)},
        {"delay", wholeCommand(&DeckSim::setReplyDelay)},
        {"nak-every", wholeCommand(&DeckSim::setNakEvery)},
        {"garbage", wholeCommand(&DeckSim::setGarbage)},
        {"drop-byte", switchCommand(&DeckSim::setDropByte)},
        {"frozen", switchCommand(&DeckSim::setFrozen)},
        {"speed",
         {true,
          [](DeckSim& sim, const std::string& v) -> std::string {
              const auto f = positiveNumber(v);
              if (!f) return "needs a positive number";
              sim.setSpeedFactor(*f);
              return {};
          }}},
        {"jump",
         {true,
          [](DeckSim& sim, const std::string& v) -> std::string {
              const auto n = signedNumber(v);
              if (!n) return "needs a whole number of frames, e.g. 30 or -30";
              sim.jump(*n);
              return {};
          }}},
        {"gone", plainCommand(&DeckSim::disappear)},
        {"back", plainCommand(&DeckSim::comeBack)},
    };
    return table;
}

} // namespace

std::string ApplyControl(DeckSim& sim, const std::string& line) {
    const std::string given = trimmed(line);
    const Words words = split(given);
    if (words.empty()) return {};
    const auto error = [&](const std::string& what) { return "error: " + what + ": " + given; };
    const auto it = commands().find(words[0]);
    if (it == commands().end()) return error("unknown command");
    const Command& command = it->second;
    const size_t wanted = command.takesValue ? 2 : 1;
    if (words.size() < wanted) return error(words[0] + " needs a value");
    if (words.size() > wanted) return error("too many words");
    try {
        const std::string what = command.apply(sim, command.takesValue ? words[1] : std::string());
        if (!what.empty()) return error(words[0] + " " + what);
    } catch (const std::exception& e) {
        // A new line that cannot be opened, or its link made.
        return error(e.what());
    }
    return "ok " + given;
}
