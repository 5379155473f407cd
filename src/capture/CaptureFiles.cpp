#include "CaptureFiles.h"

#include "FileWriting.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <unistd.h>

namespace {

bool Kept(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_';
}

// The names in a folder; none when it cannot be read (a missing folder holds nothing).
std::set<std::string> NamesIn(const std::string& folder) {
    std::set<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = readdir(dir)) names.insert(entry->d_name);
    closedir(dir);
    return names;
}

bool Taken(const std::set<std::string>& names, const std::string& stem) {
    const std::string dotted = stem + ".";
    for (auto it = names.lower_bound(stem); it != names.end(); ++it) {
        if (*it == stem || it->starts_with(dotted)) return true;
        if (!it->starts_with(stem)) break;
    }
    return false;
}

} // namespace

std::string SafeName(std::string_view name) {
    // Dots stay: behind the event number (ClipStem) even ".." names no folder.
    if (name.empty()) return "_";
    std::string safe(name);
    for (char& c : safe)
        if (!Kept(static_cast<unsigned char>(c))) c = '_';
    return safe;
}

std::string ClipStem(int event, std::string_view name) {
    char number[16];
    std::snprintf(number, sizeof number, "%03d", event);
    return (std::string(number) + "_" + SafeName(name)).substr(0, maxStemBytes);
}

std::string UniqueBase(const std::string& folder, const std::string& stem) {
    const std::set<std::string> names = NamesIn(folder);
    std::string candidate = stem;
    for (int n = 2; Taken(names, candidate); ++n) candidate = stem + "_" + std::to_string(n);
    return folder + "/" + candidate;
}

std::string MakeFolder(const std::string& folder) {
    std::error_code error;
    if (std::filesystem::is_directory(folder, error)) return {};
    if (std::filesystem::exists(folder, error)) return folder + " is a file, not a folder";
    std::filesystem::create_directories(folder, error);
    if (error) return "cannot make the folder " + folder + ": " + error.message();
    return {};
}

std::string WriteNewFile(const std::string& path, std::string_view text) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return ErrnoText(errno);
    std::string problem = WriteAllAndClose(fd, text);
    // A part of a sidecar is never left to be taken for the whole.
    if (!problem.empty()) unlink(path.c_str());
    return problem;
}
