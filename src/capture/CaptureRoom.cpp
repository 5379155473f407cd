#include "CaptureRoom.h"

#include "CaptureFiles.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

// Whole megabytes: what is free rounded down, what is needed rounded up.
std::string Megabytes(long long bytes, bool up) {
    return std::to_string((bytes + (up ? (1 << 20) - 1 : 0)) >> 20) + " MB";
}

} // namespace

std::string FolderProblem(const std::string& folder) {
    if (std::string why = MakeFolder(folder); !why.empty()) return why;
    std::string name = folder + "/.kolb-write-XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        char buffer[256];
        return "cannot write in the folder " + folder + ": " +
               strerror_r(errno, buffer, sizeof buffer) +
               ": give KOLB a folder it may write in (CaptureFolder)";
    }
    close(fd);
    unlink(name.c_str());
    return {};
}

std::optional<long long> FreeBytes(const std::string& folder) {
    struct statvfs fs {};
    if (statvfs(folder.c_str(), &fs) != 0) return std::nullopt;
    return static_cast<long long>(fs.f_bavail) * static_cast<long long>(fs.f_frsize);
}

long long RoomNeeded(long long frames, double bytesPerFrame, long long minBytes) {
    const double estimate = std::ceil(static_cast<double>(frames) * bytesPerFrame);
    return std::max(minBytes, static_cast<long long>(estimate));
}

std::string RoomProblem(const std::string& folder, long long freeBytes, long long neededBytes) {
    if (freeBytes >= neededBytes) return {};
    return "not enough room in " + folder + ": " + Megabytes(freeBytes, false) + " free, " +
           Megabytes(neededBytes, true) +
           " needed: free some, or capture to another folder (CaptureFolder)";
}
