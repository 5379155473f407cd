#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
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

// A deck played by the test on the far end of a pseudo-terminal: a thread collects the near end's
// bytes into 9-pin frames (the length follows from the first byte) and writes back what `answer`
// returns for each whole frame; an empty answer sends nothing. A frame that stops short is
// dropped once the line has been quiet for 50 ms. The thread is stopped and joined when the peer
// goes out of scope, so whatever `answer` uses must be declared before the peer.
class PtyPeer {
public:
    using Bytes = std::vector<std::uint8_t>;
    using Answer = std::function<Bytes(const Bytes& frame)>;

    explicit PtyPeer(Answer answer);
    ~PtyPeer();
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    // The path the code under test opens.
    const std::string& path() const { return line.slavePath(); }
    // Whole frames received so far.
    int framesReceived() const { return received; }

private:
    void run();

    Pty line;
    Answer answer;
    std::atomic<bool> running{true};
    std::atomic<int> received{0};
    std::thread thread; // last: starts once everything it uses is built
};
