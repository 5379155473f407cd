#pragma once

#include <unistd.h>
#include <utility>

// A file descriptor closed when it goes, unless released.
struct Descriptor {
    int fd = -1;
    Descriptor() = default;
    explicit Descriptor(int d) : fd(d) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int release() { return std::exchange(fd, -1); }
    // Closes the one held, and holds d instead.
    void reset(int d = -1) {
        if (fd >= 0) close(fd);
        fd = d;
    }
};
