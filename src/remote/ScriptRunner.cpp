#include "ScriptRunner.h"

#include "CommandLanguage.h"
#include "Utils.h"

#include <filesystem>
#include <fstream>
#include <istream>

namespace {
enum class LineRead { Line, End, TooLong };

// Reads one line ending in LF, keeping at most maxScriptLine bytes: a file with one endless
// line must not fill the memory.
LineRead readLine(std::istream& in, std::string& line) {
    line.clear();
    bool any = false;
    for (int c = in.get(); c != std::char_traits<char>::eof(); c = in.get()) {
        any = true;
        if (c == '\n') return LineRead::Line;
        if (line.size() == maxScriptLine) return LineRead::TooLong;
        line.push_back(static_cast<char>(c));
    }
    return any ? LineRead::Line : LineRead::End;
}

// Reads and runs the lines; returns when the script is over, for whatever reason.
void runLines(CommandTarget& vcr, const std::string& path) {
    std::error_code error;
    // Only a plain file is read: a device or a pipe could feed lines without end or block.
    if (!std::filesystem::is_regular_file(path, error)) return;
    std::ifstream file(path);
    std::string line;
    for (;;) {
        const LineRead read = readLine(file, line);
        if (read == LineRead::End) return;
        if (read == LineRead::TooLong) {
            Utils::OutLine("Script line too long: more than " + std::to_string(maxScriptLine) +
                           " characters");
            Utils::OutLine("Script Error");
            return;
        }
        // A file saved with CR LF line ends reads as it was written.
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line == "Quit" || line.size() < 4) return;
        Utils::OutLine(line);
        bool accepted = true;
        if (line[0] != ';') {
            try {
                accepted = ParseNetCommand(vcr, line);
            } catch (...) {
                accepted = false;
            }
        }
        if (!accepted) {
            Utils::OutLine("Script Error");
            return;
        }
        if (vcr.operatorStopped()) {
            Utils::OutLine("Script stopped by the operator");
            return;
        }
    }
}
} // namespace

void RunScript(CommandTarget& vcr, const std::string& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        Utils::OutLine("No script file found!");
        vcr.DelayT(1000);
        vcr.setscriptactive(false);
        return;
    }
    vcr.clearOperatorStop();
    vcr.setscriptactive(true);
    Utils::OutLine(" ");
    Utils::OutLine("**********");
    Utils::OutLine("Found Script.txt File");
    try {
        runLines(vcr, path);
    } catch (...) {
        // A line that could not be read ends the script like the end of the file.
    }
    Utils::OutLine("Script ended");
    Utils::OutLine("**********");
    Utils::OutLine(" ");
    vcr.setscriptactive(false);
    vcr.clearOperatorStop();
}
