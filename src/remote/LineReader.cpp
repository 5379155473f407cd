#include "LineReader.h"

#include <cerrno>

LineReader::Result LineReader::next(std::string& line) {
    line.clear();
    for (;;) {
        if (pos == end) {
            long n;
            do {
                n = receive(buffer, sizeof buffer);
            } while (n < 0 && errno == EINTR);
            if (n < 0) return Result::Error;
            if (n == 0) return line.empty() ? Result::End : Result::Unended;
            pos = 0;
            end = static_cast<std::size_t>(n);
        }
        while (pos < end) {
            const char c = buffer[pos++];
            if (skipLF) {
                skipLF = false;
                if (c == '\n') continue;
            }
            if (c == '\n') return Result::Line;
            if (c == '\r') {
                skipLF = true;
                return Result::Line;
            }
            if (line.size() == maxLength) return Result::TooLong;
            line += c;
        }
    }
}
