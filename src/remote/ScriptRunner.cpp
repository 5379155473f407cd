#include "ScriptRunner.h"

#include "CommandLanguage.h"
#include "Utils.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <istream>

namespace {
enum class LineRead { Line, End, TooLong };

// Reads one line ending in LF, CR or CR LF (as the network reader takes them), keeping at most
// maxScriptLine bytes: a file with one endless line must not fill the memory.
LineRead readLine(std::istream& in, std::string& line) {
    line.clear();
    bool any = false;
    for (int c = in.get(); c != std::char_traits<char>::eof(); c = in.get()) {
        any = true;
        if (c == '\n') return LineRead::Line;
        if (c == '\r') {
            if (in.peek() == '\n') in.get();
            return LineRead::Line;
        }
        if (line.size() == maxScriptLine) return LineRead::TooLong;
        line.push_back(static_cast<char>(c));
    }
    return any ? LineRead::Line : LineRead::End;
}

// The characters of a UTF-8 text: every byte but the continuation bytes (10xxxxxx) starts one.
std::size_t characters(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// Reads and runs the lines; returns when the script is over, for whatever reason.
void runLines(CommandTarget& vcr, const std::string& path) {
    std::error_code error;
    // Only a plain file is read: a device or a pipe could feed lines without end, and opening a
    // pipe blocks until a writer comes. The type is looked at before the file is opened.
    if (!std::filesystem::is_regular_file(path, error)) {
        const std::string file = std::filesystem::path(path).filename().string();
        Utils::OutLine(file + " is not a plain file: put the commands in a text file of that name");
        return;
    }
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
        if (line == "Quit" || characters(line) < 4) return;
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
