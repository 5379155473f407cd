#include "CommandLine.h"

#include "KOLB.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

// The window system's options (Qt's and its X11 platform's), without their dash.
constexpr std::array<std::string_view, 17> windowOptionsWithValue = {
    "platform",    "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "session",       "style",  "stylesheet",
    "display",     "geometry",           "name",          "title",  "icon",
    "visual",      "fontengine"};
constexpr std::array<std::string_view, 6> windowFlags = {"reverse", "widgetcount", "nograb",
                                                         "dograb",  "sync",        "testability"};
// Written with "=" and the value in one argument.
constexpr std::array<std::string_view, 5> windowOptionsJoined = {
    "style=", "stylesheet=", "qmljsdebugger=", "fontengine=", "dialogs="};

template <std::size_t N>
bool among(const std::array<std::string_view, N>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// The window system takes -name and --name alike.
std::string_view withoutDashes(std::string_view arg) {
    if (arg.starts_with("--")) return arg.substr(2);
    if (arg.starts_with("-")) return arg.substr(1);
    return {};
}

bool joinedWindowOption(std::string_view name) {
    return std::any_of(windowOptionsJoined.begin(), windowOptionsJoined.end(),
                       [name](std::string_view prefix) { return name.starts_with(prefix); });
}

} // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    bool help = false;
    bool version = false;
    const auto refuse = [&line](const std::string& problem) {
        if (line.problem.empty()) line.problem = problem;
    };
    line.windowSystem.push_back(args.empty() ? "kolb" : args[0]);
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // --settings FILE, --settings=FILE; the same for --dir. A value is never an option.
        const auto value = [&](const std::string& option) -> std::optional<std::string> {
            if (arg.starts_with(option + "=")) return arg.substr(option.size() + 1);

            if (arg != option) return std::nullopt;
            if (i + 1 < args.size() && !args[i + 1].starts_with("-")) return args[++i];
            return "";
        };
        if (arg == "--help" || arg == "-h") {
            help = true;
        } else if (arg == "--version") {
            version = true;
        } else if (arg == "--home-folder") {
            line.homeFolder = true;
        } else if (auto file = value("--settings")) {
            if (file->empty()) refuse("--settings needs a file");
            line.settings = *file;
        } else if (auto dir = value("--dir")) {

            if (dir->empty()) refuse("--dir needs a folder");
            line.dir = *dir;
        } else if (const std::string_view name = withoutDashes(arg);
                   among(windowOptionsWithValue, name)) {
            line.windowSystem.push_back(arg);
            if (i + 1 < args.size()) line.windowSystem.push_back(args[++i]);
        } else if (among(windowFlags, name) || joinedWindowOption(name)) {
            line.windowSystem.push_back(arg);
        } else if (arg.starts_with("-")) {
            refuse("unknown option \"" + arg + "\"");
        } else {
            refuse("unexpected argument \"" + arg + "\": kolb takes no file names");
        }
    }
    if (line.dir && line.homeFolder)
        refuse("--dir and --home-folder both name the folder to work in: give one");
    if (!line.problem.empty())
        line.action = CommandLine::Action::Refuse;
    else if (help)
        line.action = CommandLine::Action::Help;
    else if (version)
        line.action = CommandLine::Action::Version;
    return line;
}

std::string UsageText() {
    const std::string settings = KOLB::settingsFile;
    return "Usage: kolb [OPTION]...\n"
           "Controls a video tape deck on a serial port from a window.\n"
           "\n"
           "  --settings FILE  read the settings from FILE instead of " +
           settings +
           "\n"
           "                   (a relative FILE is found from the folder kolb starts in)\n"
           "  --dir DIR        work in the folder DIR: the settings, the log, the logger's\n"
           "                   autosave, Script.txt and the captures are found and written\n"
           "                   there\n"
           "  --home-folder    work in $HOME/KOLB, made when missing; the first time, the\n"
           "                   sample settings file is copied in from PREFIX/share/kolb,\n"
           "                   the program being PREFIX/bin/kolb\n"
           "  -h, --help       print this help and end\n"
           "  --version        print the version and end\n"
           "\n"
           "The window system's options (-platform NAME, -style NAME, -reverse, ...) are\n"
           "passed on to it.\n"
           "\n"
           "Files: kolb works in the folder it starts in unless --dir or --home-folder\n"
           "names another. It reads its settings from " +
           settings +
           " there and writes\n"
           "its log to KOLB_Log.txt there (JUTA_Log.txt for a VANTO recorder), emptied at\n"
           "every start.\n"
           "\n"
           "Exit status:\n"
           "  0  the window was closed, or --help or --version\n"
           "  1  no settings file, or the folder to work in cannot be made or entered\n"
           "  2  the command line is wrong, a serial port cannot be opened, or there is\n"
           "     no display\n";
}

std::string VersionText() {
    return std::string("kolb ") + KOLB_VERSION + "\n";
}
