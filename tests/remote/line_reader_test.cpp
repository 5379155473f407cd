// The line reader fed by a scripted receive function: where lines end, the longest line, and
// how the end of the stream and receive errors show.
#include "LineReader.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <deque>

namespace {

using Lines = std::vector<std::string>;

// One receive: bytes, or an error number the receive fails with.
struct Step {
    std::string bytes;
    int error = 0;
};

// Reads until the first result that is not a line. A line reads as "Line:text"; a long line as
// its first byte and length, "Line:x*4096"; text the stream ended in as "Unended:text".
Lines readAll(std::deque<Step> steps) {
    LineReader reader([&steps](char* buffer, std::size_t size) -> long {
        if (steps.empty()) return 0;
        Step& step = steps.front();
        if (step.error != 0) {
            errno = step.error;
            steps.pop_front();
            return -1;
        }
        const std::size_t n = std::min(size, step.bytes.size());
        std::memcpy(buffer, step.bytes.data(), n);
        step.bytes.erase(0, n);
        if (step.bytes.empty()) steps.pop_front();
        return static_cast<long>(n);
    });
    Lines results;
    std::string line;
    for (int guard = 0; guard < 100; ++guard) {
        switch (reader.next(line)) {
        case LineReader::Result::Line:
            results.push_back(
                "Line:" +
                (line.size() <= 40 ? line : line.substr(0, 1) + "*" + std::to_string(line.size())));
            continue;
        case LineReader::Result::End:
            results.push_back("End");
            break;
        case LineReader::Result::Unended:
            results.push_back("Unended:" + line);
            break;
        case LineReader::Result::TooLong:
            results.push_back("TooLong");
            break;
        case LineReader::Result::Error:
            results.push_back("Error");
            break;
        }
        break;
    }
    return results;
}

const std::string x4096(4096, 'x');

} // namespace

TEST(LineReader, SplitsTheStreamAtEachKindOfLineEnd) {
    struct Case {
        const char* name;
        std::deque<Step> steps;
        Lines expected;
    };
    const Case cases[] = {
        {"LF", {{"Play\nStop\n"}}, {"Line:Play", "Line:Stop", "End"}},
        {"CR", {{"Play\rStop\r"}}, {"Line:Play", "Line:Stop", "End"}},
        {"CR LF", {{"Play\r\nStop\r\n"}}, {"Line:Play", "Line:Stop", "End"}},
        {"CR LF split", {{"Play\r"}, {"\nStop\r"}, {"\n"}}, {"Line:Play", "Line:Stop", "End"}},
        {"CR LF then LF", {{"Play\r"}, {"\n"}, {"\n"}}, {"Line:Play", "Line:", "End"}},
        {"LF LF", {{"Play\n\nStop\n"}}, {"Line:Play", "Line:", "Line:Stop", "End"}},
        {"CR CR", {{"Play\r\rStop\n"}}, {"Line:Play", "Line:", "Line:Stop", "End"}},
        {"LF CR", {{"Play\n\rStop\n"}}, {"Line:Play", "Line:", "Line:Stop", "End"}},
        {"last line without an end", {{"Play\nrec"}, {"ord"}}, {"Line:Play", "Unended:record"}},
        {"nothing", {}, {"End"}},
        {"4096 bytes", {{x4096 + "\r\n"}}, {"Line:x*4096", "End"}},
        {"4096 bytes without an end", {{x4096}}, {"Unended:" + x4096}},
        {"4096 bytes in two receives",
         {{x4096.substr(96)}, {std::string(96, 'x') + "\nPlay\n"}},
         {"Line:x*4096", "Line:Play", "End"}},
        {"4097 bytes", {{x4096 + "x\n"}}, {"TooLong"}},
        {"4097 bytes in two receives", {{x4096.substr(1)}, {"xx\n"}}, {"TooLong"}},
        {"4097 bytes after a line", {{"Play\n" + x4096 + "x"}}, {"Line:Play", "TooLong"}},
        {"receive error", {{"Play\nSt"}, {"", EIO}, {"op\n"}}, {"Line:Play", "Error"}},
        {"reset", {{"", ECONNRESET}}, {"Error"}},
        {"EINTR retried", {{"", EINTR}, {"Pl"}, {"", EINTR}, {"ay\n"}}, {"Line:Play", "End"}},
    };
    for (const Case& c : cases) EXPECT_EQ(readAll(c.steps), c.expected) << c.name;
}
