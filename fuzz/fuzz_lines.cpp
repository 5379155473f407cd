// A TCP client's byte stream through the server's line reader. The first byte of the input sets
// how many bytes each receive hands over, so lines and line ends fall across receives.
#include "FuzzSupport.h"
#include "LineReader.h"

#include <algorithm>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t chunk = 1 + data[0] % 64;
    std::string_view rest = fuzz::text(data + 1, size - 1);
    const std::size_t total = rest.size();
    LineReader reader([&](char* buffer, std::size_t room) -> long {
        const std::size_t n = std::min({chunk, room, rest.size()});
        std::memcpy(buffer, rest.data(), n);
        rest.remove_prefix(n);
        return static_cast<long>(n);
    });
    std::string line;
    std::size_t taken = 0;
    for (;;) {
        const auto result = reader.next(line);
        FUZZ_CHECK(line.size() <= LineReader::maxLength);
        FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos);
        if (result != LineReader::Result::Line) {
            FUZZ_CHECK(result != LineReader::Result::Error);
            break;
        }
        // Each line costs at least its own bytes and its end: a line is one only with its end.
        taken += line.size() + 1;
        FUZZ_CHECK(taken <= total);
    }
    return 0;
}
