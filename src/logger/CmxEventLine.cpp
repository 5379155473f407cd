#include "CmxEventLine.h"

#include <algorithm>
#include <vector>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool allDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), isDigit);
}

// A field of a line and where it starts.
struct Field {
    std::string_view text;
    std::size_t at;
};

std::vector<Field> fieldsOf(std::string_view line) {
    std::vector<Field> fields;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && isBlank(line[at])) ++at;
        const std::size_t start = at;
        while (at < line.size() && !isBlank(line[at])) ++at;
        if (at > start) fields.push_back({line.substr(start, at - start), start});
    }
    return fields;
}

// Two digits four times, ':', ';' or '.' between them.
bool isTimeShaped(std::string_view text) {
    if (text.size() != 11) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool separator = i % 3 == 2;
        if (separator ? (text[i] != ':' && text[i] != ';' && text[i] != '.') : !isDigit(text[i]))
            return false;
    }
    return true;
}

bool isChannels(std::string_view text) {
    if (text == "NONE") return true;
    if (text.empty() || (text[0] != 'V' && text[0] != 'A' && text[0] != 'B')) return false;
    return std::all_of(text.begin(), text.end(), [](char c) {
        return c == 'V' || c == 'A' || c == 'B' || c == '/' || isDigit(c);
    });
}

// The transition of one field ("C", "D", "W001", "K", "KB", "KO"), or nothing.
std::optional<CmxTransition> transitionOf(std::string_view text) {
    if (text == "C") return CmxTransition::Cut;
    if (text == "D") return CmxTransition::Dissolve;
    if (text.starts_with('W') && (text.size() == 1 || allDigits(text.substr(1))))
        return CmxTransition::Wipe;
    if (text == "K" || text == "KB" || text == "KO") return CmxTransition::Key;
    return std::nullopt;
}

} // namespace

std::optional<CmxEventLine> ParseCmxEventLine(std::string_view line) {
    const std::vector<Field> fields = fieldsOf(line);
    // number, reel, channels, transition, four times at the least
    if (fields.size() < 8) return std::nullopt;
    std::size_t last = fields.size() - 4; // the first time
    for (std::size_t i = last; i < fields.size(); ++i)
        if (!isTimeShaped(fields[i].text)) return std::nullopt;
    CmxEventLine event;
    event.sourceIn = fields[last].text;
    event.sourceOut = fields[last + 1].text;
    event.recordIn = fields[last + 2].text;
    event.recordOut = fields[last + 3].text;
    // The length, written only after a transition other than a cut.
    std::size_t at = last - 1;
    if (allDigits(fields[at].text) && at >= 4) {
        const auto before = transitionOf(fields[at - 1].text);
        const bool keyWithSide = (fields[at - 1].text == "B" || fields[at - 1].text == "O") &&
                                 fields[at - 2].text == "K";
        if ((before && before != CmxTransition::Cut) || keyWithSide) {
            event.length = fields[at].text;
            --at;
        }
    }
    // A key with its side as a field of its own: "K B", "K O".
    if ((fields[at].text == "B" || fields[at].text == "O") && at >= 4 &&
        fields[at - 1].text == "K") {
        event.transition = CmxTransition::Key;
        at -= 2;
    } else if (const auto transition = transitionOf(fields[at].text)) {
        event.transition = *transition;
        --at;
    } else {
        return std::nullopt;
    }
    if (at < 2 || !isChannels(fields[at].text)) return std::nullopt;
    event.channels = fields[at].text;
    const Field& number = fields[0];
    if (number.text.size() > 8 || !allDigits(number.text)) return std::nullopt;
    event.number = number.text;
    const std::size_t reelStart = fields[1].at;
    const std::size_t reelEnd = fields[at - 1].at + fields[at - 1].text.size();
    event.reel = line.substr(reelStart, reelEnd - reelStart);
    return event;
}

bool LooksLikeCmxEventLine(std::string_view line) {
    std::size_t at = 0;
    while (at < line.size() && isBlank(line[at])) ++at;
    const std::size_t digits = at;
    while (at < line.size() && isDigit(line[at])) ++at;
    if (at == digits || at == line.size() || !isBlank(line[at])) return false;
    for (std::size_t i = at + 2; i + 2 < line.size(); ++i)
        if ((line[i] == ':' || line[i] == ';') && isDigit(line[i - 1]) && isDigit(line[i - 2]) &&
            isDigit(line[i + 1]) && isDigit(line[i + 2]))
            return true;
    return false;
}
