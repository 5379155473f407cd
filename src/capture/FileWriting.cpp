#include "FileWriting.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

std::string ErrnoText(int error) {
    char buffer[256];
    return strerror_r(error, buffer, sizeof buffer);
}

std::string WriteAllAndClose(int fd, std::string_view text, bool toDisk) {
    std::string problem;
    while (!text.empty()) {
        const ssize_t n = write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            problem = ErrnoText(errno);
            break;
        }
        text.remove_prefix(static_cast<size_t>(n));
    }
    if (problem.empty() && toDisk && fsync(fd) != 0) problem = ErrnoText(errno);
    if (close(fd) != 0 && problem.empty()) problem = ErrnoText(errno);
    return problem;
}
