#pragma once

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>

// Files for the capture tests.
namespace testfiles {

// A new folder under /tmp, removed with all it holds at the end of its scope.
struct Folder {
    std::string path = [] {
        char name[] = "/tmp/kolb-files-XXXXXX";
        return std::string(mkdtemp(name));
    }();
    ~Folder() { std::filesystem::remove_all(path); }
};

inline void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// While it lives, no file may grow past `bytes` (0: no limit): a write past it fails with EFBIG
// ("File too large") as one on a full disk fails with ENOSPC. SIGXFSZ is ignored meanwhile.
class SizeLimit {
public:
    explicit SizeLimit(rlim_t bytes) : on(bytes > 0) {
        if (!on) return;
        getrlimit(RLIMIT_FSIZE, &saved);
        previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~SizeLimit() {
        if (!on) return;
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
    }
    SizeLimit(const SizeLimit&) = delete;
    SizeLimit& operator=(const SizeLimit&) = delete;

private:
    bool on;
    rlimit saved{};
    void (*previous)(int) = SIG_DFL;
};

// f() run under a SizeLimit of bytes.
template <class F> auto WithSizeLimit(rlim_t bytes, F f) {
    SizeLimit limit(bytes);
    return f();
}

} // namespace testfiles
