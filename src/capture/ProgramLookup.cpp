#include "ProgramLookup.h"

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum class Found { Nothing, Folder, NotExecutable, Runnable };

Found Look(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return Found::Nothing;
    if (S_ISDIR(info.st_mode)) return Found::Folder;
    return access(path.c_str(), X_OK) == 0 ? Found::Runnable : Found::NotExecutable;
}

} // namespace

std::vector<std::string> ProgramPaths(const std::string& program, const char* pathVariable) {
    if (program.find('/') != std::string::npos) return {program};
    const std::string path = pathVariable ? pathVariable : "/bin:/usr/bin";
    std::vector<std::string> paths;
    for (size_t from = 0;;) {
        const size_t colon = path.find(':', from);
        const std::string folder =
            path.substr(from, colon == std::string::npos ? std::string::npos : colon - from);
        if (folder.empty())
            paths.push_back(program);
        else
            paths.push_back(folder + (folder.back() == '/' ? "" : "/") + program);
        if (colon == std::string::npos) return paths;
        from = colon + 1;
    }
}

std::string ProgramProblem(const std::string& program, const char* pathVariable) {
    if (program.empty()) return "no recorder program: give one at the start of CaptureCommand";
    const std::string what = "recorder program " + program;
    const bool onPath = program.find('/') == std::string::npos;
    // As the start goes: the first runnable one on PATH is taken, the others passed over.
    std::string notExecutable;
    bool folder = false;
    for (const std::string& path : ProgramPaths(program, pathVariable)) {
        const Found found = Look(path);
        if (found == Found::Runnable) return {};
        if (found == Found::NotExecutable && notExecutable.empty()) notExecutable = path;
        folder = folder || found == Found::Folder;
    }
    const std::string fix = "make it executable (chmod +x) or give another program in "
                            "CaptureCommand";
    if (!notExecutable.empty() && onPath)
        return what + " on PATH (" + notExecutable + ") is not executable: " + fix;
    if (!notExecutable.empty()) return what + " is not executable: " + fix;
    if (onPath)
        return what + " not found on PATH: install it or give its full path in CaptureCommand";
    if (folder)
        return what + " is a folder, not a program: give the program's own path in CaptureCommand";
    return what + " not found: check its path in CaptureCommand";
}

std::string ProgramProblem(const std::string& program) {
    return ProgramProblem(program, std::getenv("PATH"));
}
