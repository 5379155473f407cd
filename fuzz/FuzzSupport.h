#pragma once

// What the fuzz targets share: a console that keeps nothing (or only the current input's
// lines), a scratch file for targets whose entry point reads a file, and a check that stops the
// run with the input saved.
#include "Utils.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace fuzz {

// Stops the run: libFuzzer saves the input that got here.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

inline std::string_view text(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// Console lines are dropped: at a million runs they would be most of the work.
inline void quietConsole() {
    static const bool done = [] {
        Utils::SetLineSink([](const std::string&) {});
        return true;
    }();
    (void)done;
}

// The console lines of the current input, for targets that check what was said.
class ConsoleLines {
public:
    ConsoleLines() {
        Utils::SetLineSink([this](const std::string& line) { lines.push_back(line); });
    }
    ~ConsoleLines() {
        Utils::SetLineSink([](const std::string&) {});
    }
    ConsoleLines(const ConsoleLines&) = delete;
    ConsoleLines& operator=(const ConsoleLines&) = delete;
    std::vector<std::string> lines;
};

// A file of this process's own in memory-backed storage where there is one, removed when the
// run ends (a crash leaves it, beside the input libFuzzer saves).
inline std::string scratchPath(const char* name) {
    struct Scratch {
        std::vector<std::string> paths;
        ~Scratch() {
            for (const auto& p : paths) ::unlink(p.c_str());
        }
    };
    static Scratch scratch;
    const char* dir = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    scratch.paths.push_back(std::string(dir) + "/kolb-fuzz-" + std::to_string(::getpid()) + "-" +
                            name);
    return scratch.paths.back();
}

inline void writeFile(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    FUZZ_CHECK(fd >= 0);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        FUZZ_CHECK(n > 0);
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

} // namespace fuzz
