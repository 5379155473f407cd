#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A pseudo-terminal pair for tests: the code under test opens slavePath(); the test plays the
// far end on the master side.
class Pty {
public:
    Pty();
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    const std::string& slavePath() const { return path; }
    int master() const { return masterFd; }
    int slave() const { return slaveFd; }

    // Writes bytes to the far end of the line.
    void write(const std::vector<std::uint8_t>& bytes);
    // Reads what the near end sent, waiting up to timeoutMs for at least `want` bytes.
    std::vector<std::uint8_t> read(size_t want, int timeoutMs = 1000);
    // Ends the far end: later writes by the near end fail.
    void closeMaster();

private:
    int masterFd = -1;
    int slaveFd = -1;
    std::string path;
};
