#include "Utils.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>

namespace {
// Guards the console descriptor's writes, the line sink, the repeat count, the minute's counts
// and their time source.
std::mutex consoleMutex;
Utils::LineSink lineSink;
std::string lastLine;
long repeats = 0; // times lastLine came again and was not written

// Each text is written at most limitPerText times a minute; more of it is counted, and the
// count is written when the minute is over. A fault that writes several lines in turn (which
// the repeat count above does not fold) grows the log by a bounded amount a minute.
using LogClock = std::chrono::steady_clock;
constexpr int limitPerText = 30;
constexpr std::size_t textsTracked = 256; // texts beyond these in one minute are not limited
struct TextCount {
    int written = 0;
    long held = 0; // not written this minute
};
std::map<std::string, TextCount> minuteCounts;
Utils::TimeSource timeSource;
LogClock::time_point minuteStart = LogClock::now();

LogClock::time_point nowLocked() {
    return timeSource ? timeSource() : LogClock::now();
}

void writeAll(int fd, const char* data, size_t len) {
    while (len > 0) {
        ssize_t n = ::write(fd, data, len);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        data += n;
        len -= static_cast<size_t>(n);
    }
}

void emitLocked(const std::string& line) {
    if (lineSink) {
        lineSink(line);
        return;
    }
    std::string text = line;
    text.push_back('\n');
    writeAll(STDOUT_FILENO, text.data(), text.size());
}

void flushRepeatsLocked() {
    if (repeats == 0) return;
    std::string line = "(repeated ";
    line += std::to_string(repeats);
    line += " times)";
    repeats = 0;
    emitLocked(line);
}

bool blank(const std::string& line) {
    return line.find_first_not_of(' ') == std::string::npos;
}

// Writes how many lines of each text were held back, and starts the counts afresh.
void flushHeldLocked() {
    // Appended piece by piece: GCC 12 at -O3 warns (-Wrestrict, wrongly) inside a chain of
    // string operator+ here.
    const std::string limit = std::to_string(limitPerText);
    for (const auto& [text, count] : minuteCounts) {
        if (count.held == 0) continue;
        std::string line = "(";
        line.append(std::to_string(count.held)).append(" more \"").append(text);
        line.append("\" not written: more than ").append(limit).append(" a minute)");
        emitLocked(line);
    }
    minuteCounts.clear();
    minuteStart = nowLocked();
}

// True when the line is within its text's share of this minute (and counts it).
bool withinLimitLocked(const std::string& line) {
    if (nowLocked() - minuteStart >= std::chrono::minutes(1)) flushHeldLocked();
    auto it = minuteCounts.find(line);
    if (it == minuteCounts.end()) {
        // Many different texts are the program's ordinary output (a long script, a list loaded
        // with Verbose), not a fault's: they are not held back.
        if (minuteCounts.size() >= textsTracked) return true;
        it = minuteCounts.emplace(line, TextCount{}).first;
    }
    if (it->second.written < limitPerText) {
        ++it->second.written;
        return true;
    }
    ++it->second.held;
    return false;
}
} // namespace

void Utils::OutLine(const std::string& line) {
    std::lock_guard lock(consoleMutex);
    // A line that comes again and again (a fault met on every poll) is written once and
    // counted; blank lines, which only space the output, are always written.
    if (blank(line)) {
        flushRepeatsLocked();
        lastLine = line;
        emitLocked(line);
        return;
    }
    if (line == lastLine) {
        ++repeats;
        return;
    }
    flushRepeatsLocked();
    if (!withinLimitLocked(line)) {
        lastLine.clear(); // a repeat of a line held back is held back too
        return;
    }
    lastLine = line;
    emitLocked(line);
}

void Utils::FlushRepeats() {
    std::lock_guard lock(consoleMutex);
    flushRepeatsLocked();
    flushHeldLocked();
    lastLine.clear();
}

void Utils::DelayT(int ms) {
    if (ms <= 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::string Utils::BS2S(std::span<const std::uint8_t> bytes, int n) {
    std::string out;
    if (n <= 0) return out;
    const auto count = std::min(static_cast<size_t>(n), bytes.size());
    out.reserve(count * 3);
    for (size_t i = 0; i < count; ++i) {
        out.push_back(hexchar[(bytes[i] & himask) >> 4]);
        out.push_back(hexchar[bytes[i] & lomask]);
        out.push_back(' ');
    }
    return out;
}

bool Utils::RedirectConsole(const std::string& path) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    std::lock_guard lock(consoleMutex);
    const bool ok = ::dup2(fd, STDOUT_FILENO) >= 0;
    ::close(fd);
    return ok;
}

void Utils::SetLineSink(LineSink sink) {
    std::lock_guard lock(consoleMutex);
    lineSink = std::move(sink);
    lastLine.clear();
    repeats = 0;
    minuteCounts.clear();
    minuteStart = nowLocked();
}

void Utils::SetTimeSource(TimeSource now) {
    std::lock_guard lock(consoleMutex);
    timeSource = std::move(now);
    minuteStart = nowLocked();
}
