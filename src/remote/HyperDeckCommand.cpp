#include "HyperDeckCommand.h"

#include <algorithm>

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Words of letters and digits, one blank between them, lower-cased; nothing for anything else.
// A command's name ("clips count") and a parameter's ("slot id") are such words; "?" is the
// protocol's other name for help.
std::optional<std::string> NameOf(const std::string& text) {
    std::string name;
    bool blank = true;
    for (const char c : text) {
        if (c == ' ' || c == '\t') {
            blank = true;
            continue;
        }
        const bool letter =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '?';
        if (!letter) return std::nullopt;
        if (blank && !name.empty()) name += ' ';
        blank = false;
        name += Lower(c);
    }
    if (name.empty()) return std::nullopt;
    return name;
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    for (const char c : text) {
        if (c == ' ' || c == '\t') {
            if (!word.empty()) words.push_back(std::move(word));
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(std::move(word));
    return words;
}

bool EndsKey(const std::string& word) {
    return word.size() > 1 && word.back() == ':';
}

// "key: value key words: value ..." after the name's colon.
std::optional<std::vector<std::pair<std::string, std::string>>>
ParamsOf(const std::vector<std::string>& words) {
    std::vector<std::pair<std::string, std::string>> params;
    std::size_t i = 0;
    while (i < words.size()) {
        std::string keyText;
        while (i < words.size() && !EndsKey(words[i])) keyText += words[i++] + ' ';
        if (i == words.size()) return std::nullopt; // words that name no parameter
        keyText += words[i].substr(0, words[i].size() - 1);
        ++i;
        const auto key = NameOf(keyText);
        if (!key || i == words.size() || EndsKey(words[i])) return std::nullopt;
        std::string value = words[i++];
        // Words after the value belong to it unless a later word ends another key.
        const bool moreKeys =
            std::any_of(words.begin() + static_cast<long>(i), words.end(), EndsKey);
        if (!moreKeys)
            while (i < words.size()) value += ' ' + words[i++];
        params.emplace_back(*key, value);
        if (params.size() > HyperDeckCommand::maxParams) return std::nullopt;
    }
    return params;
}

} // namespace

const std::string* HyperDeckCommand::param(const std::string& key) const {
    for (const auto& [name, value] : params)
        if (name == key) return &value;
    return nullptr;
}

std::optional<HyperDeckCommand> ParseHyperDeckLine(const std::string& line) {
    const auto colon = line.find(':');
    const auto name = NameOf(line.substr(0, colon));
    if (!name) return std::nullopt;
    HyperDeckCommand command{*name, {}};
    if (colon == std::string::npos) return command;
    auto params = ParamsOf(Words(line.substr(colon + 1)));
    if (!params) return std::nullopt;
    command.params = std::move(*params);
    return command;
}

HyperDeckBlocks::Result HyperDeckBlocks::line(const std::string& text) {
    const std::string trimmed = Trimmed(text);
    if (open) {
        if (trimmed.empty()) {
            Result result{spoiled ? Kind::SyntaxError : Kind::Command, std::move(*open)};
            open.reset();
            spoiled = false;
            return result;
        }
        const auto sep = trimmed.find(':');
        const auto key = sep == std::string::npos ? std::nullopt : NameOf(trimmed.substr(0, sep));
        const std::string value = sep == std::string::npos ? "" : Trimmed(trimmed.substr(sep + 1));
        if (!key || value.empty() || open->params.size() == HyperDeckCommand::maxParams)
            spoiled = true;
        else
            open->params.emplace_back(*key, value);
        return {};
    }
    if (trimmed.empty()) return {};
    if (trimmed.back() == ':' && trimmed.find(':') == trimmed.size() - 1) {
        if (const auto name = NameOf(trimmed.substr(0, trimmed.size() - 1))) {
            open = HyperDeckCommand{*name, {}};
            return {};
        }
        return {Kind::SyntaxError, {}};
    }
    auto command = ParseHyperDeckLine(trimmed);
    if (!command) return {Kind::SyntaxError, {}};
    return {Kind::Command, std::move(*command)};
}
