#pragma once

#include <optional>
#include <string>
#include <vector>

// What the command line asks of kolb. KOLB's own options are written with two dashes; the
// window system's (Qt's: -platform NAME, -style NAME, ..., with one dash or two) are passed on
// to it as they came. Anything else is refused.
struct CommandLine {
    enum class Action { Run, Help, Version, Refuse };
    Action action = Action::Run;
    // Why the line is refused, as the message says it: unknown option "--x".
    std::string problem;
    // --settings FILE, as given.
    std::optional<std::string> settings;
    // --dir DIR, as given.
    std::optional<std::string> dir;
    bool homeFolder = false;
    // The arguments for the window system, the program's name first.
    std::vector<std::string> windowSystem;
};

// Reads the arguments, the program's name first. The first problem met refuses the line; else
// --help, then --version, win over running.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// What --help prints.
std::string UsageText();
// What --version prints: "kolb <version>" and a line end.
std::string VersionText();
