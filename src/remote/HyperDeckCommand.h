#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// One command of the HyperDeck Ethernet protocol: its name and its parameters, both in lower
// case with single blanks ("transport info", "single clip").
struct HyperDeckCommand {
    std::string name;
    std::vector<std::pair<std::string, std::string>> params;

    // A command with more parameters than this is not one.
    static constexpr std::size_t maxParams = 32;

    // The value of a parameter, or nothing.
    const std::string* param(const std::string& key) const;
};

// A command on one line: "name" or "name: key: value key: value". A value is one word, but the
// last value runs to the end of the line ("record: name: take two"). Nothing when the text is
// not a command (a name that is not words of letters, a key without a value, too many keys).
std::optional<HyperDeckCommand> ParseHyperDeckLine(const std::string& line);

// Splits a client's lines into commands. A line "name:" opens a block whose "key: value" lines
// follow, one per line, up to a blank line; any other line is a command of its own.
class HyperDeckBlocks {
public:
    enum class Kind { Pending, Command, SyntaxError };
    struct Result {
        Kind kind = Kind::Pending;
        HyperDeckCommand command;
    };

    // Takes the next line (without its end); Pending while a block is still open. A blank line
    // outside a block is Pending too: clients end commands with one.
    Result line(const std::string& text);

private:
    std::optional<HyperDeckCommand> open;
    bool spoiled = false; // the open block had a line that is not "key: value"
};
