// A whole Script.txt, read from a file by the script runner, against a controller that notes
// what it is asked to do.
#include "FuzzSupport.h"
#include "RecordingTarget.h"
#include "ScriptRunner.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = fuzz::scratchPath("Script.txt");
    fuzz::writeFile(path, fuzz::text(data, size));
    RecordingTarget target;
    fuzz::ConsoleLines console;
    RunScript(target, path);
    // Whatever ends a script, it was opened and closed, and the flag is down again.
    const auto& lines = console.lines;
    FUZZ_CHECK(lines.size() >= 6);
    FUZZ_CHECK(lines[2] == "Found Script.txt File");
    FUZZ_CHECK(lines[lines.size() - 3] == "Script ended");
    FUZZ_CHECK(!target.active);
    // No line the runner echoes is longer than the longest line it takes.
    for (const auto& line : lines) FUZZ_CHECK(line.size() <= maxScriptLine + 64);
    return 0;
}
