#include "StartFolder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
    if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir != nullptr)
        return user->pw_dir;
    return {};
}

// The first start in the home folder: the installed sample becomes the settings file.
void copySample(StartFolder& start, const std::string& folder, const std::string& settingsName,
                const std::string& sampleFolder) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(settingsName, ec))) return;
    const std::string sample = (fs::path(sampleFolder) / settingsName).string();
    const std::string target = (fs::path(folder) / settingsName).string();
    if (!fs::is_regular_file(sample, ec)) {
        start.notes.push_back("No sample settings file " + sample + " to copy: put a " +
                              settingsName + " in " + folder);
        return;
    }
    if (fs::copy_file(sample, settingsName, ec))
        start.notes.push_back("The sample settings file " + sample + " is copied to " + target +
                              ": edit it for your deck");
    else
        start.notes.push_back("The sample settings file " + sample + " cannot be copied to " +
                              target + ": " + ec.message());
}

} // namespace

StartFolder EnterStartFolder(const CommandLine& line, const std::string& settingsName,
                             const std::string& sampleFolder) {
    StartFolder start;
    std::error_code ec;
    // Made absolute before the folder changes: a relative path names a file where kolb started.
    start.settingsPath = line.settings ? fs::absolute(*line.settings, ec).string() : settingsName;
    std::string folder;
    if (line.dir) {
        folder = *line.dir;
    } else if (line.homeFolder) {
        const std::string home = homeFolder();
        if (home.empty()) {
            start.problem = "--home-folder: there is no home folder (HOME is not set)";
            return start;
        }
        folder = (fs::path(home) / "KOLB").string();
        if (!fs::create_directory(folder, ec) && ec) {
            start.problem = "cannot make the folder \"" + folder + "\": " + ec.message();
            return start;
        }
    } else {
        return start;
    }
    if (::chdir(folder.c_str()) != 0) {
        start.problem = "cannot work in the folder \"" + folder + "\": " + std::strerror(errno);
        return start;
    }
    if (line.homeFolder && !line.settings) copySample(start, folder, settingsName, sampleFolder);
    return start;
}

std::string SampleFolder() {
    std::error_code ec;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return "/usr/share/kolb";
    return (program.parent_path().parent_path() / "share" / "kolb").lexically_normal().string();
}
