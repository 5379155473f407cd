#pragma once

#include <cstddef>
#include <functional>
#include <string>

// Splits a byte stream into lines ending in LF, CR or CR LF, at most maxLength bytes each.
class LineReader {
public:
    static constexpr std::size_t maxLength = 4096;
    // Like recv(2): bytes read into the buffer, 0 at the end of the stream, -1 on an error.
    using Receive = std::function<long(char* buffer, std::size_t size)>;
    enum class Result { Line, End, Unended, TooLong, Error };

    explicit LineReader(Receive receive) : receive(std::move(receive)) {}

    // The next line, without its end. A line is a line only once its end has come. End: the
    // stream ended. Unended: the stream ended inside a line, whose text is in `line` and is not
    // a line (a client that closed in the middle of "record" has not asked for it). TooLong: more
    // than maxLength bytes came without a line end; what follows is not read.
    Result next(std::string& line);

private:
    Receive receive;
    char buffer[4096];
    std::size_t pos = 0;
    std::size_t end = 0;
    bool skipLF = false; // a CR ended the last line: an LF right after it belongs to it
};
