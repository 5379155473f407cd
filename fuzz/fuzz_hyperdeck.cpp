// A HyperDeck protocol client's bytes through the line reader, the command parser and the
// session, against a controller that notes what it is asked to do.
#include "FuzzSupport.h"
#include "HyperDeckCommand.h"
#include "HyperDeckSession.h"
#include "LineReader.h"
#include "RecordingTarget.h"

#include <algorithm>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rest = fuzz::text(data, size);
    LineReader reader([&](char* buffer, std::size_t room) -> long {
        const std::size_t n = std::min(room, rest.size());
        std::memcpy(buffer, rest.data(), n);
        rest.remove_prefix(n);
        return static_cast<long>(n);
    });
    RecordingTarget target;
    HyperDeckSession session(target);
    HyperDeckBlocks blocks;
    std::string line;
    while (reader.next(line) == LineReader::Result::Line) {
        const auto block = blocks.line(line);
        if (block.kind != HyperDeckBlocks::Kind::Command) continue;
        FUZZ_CHECK(!block.command.name.empty());
        FUZZ_CHECK(block.command.params.size() <= HyperDeckCommand::maxParams);
        const std::string reply = session.handle(block.command);
        // A numbered line; a block ends in a blank line.
        FUZZ_CHECK(reply.size() >= 6 && std::isdigit(static_cast<unsigned char>(reply[0])) &&
                   reply[3] == ' ');
        FUZZ_CHECK(reply.ends_with("\r\n"));
        if (reply.find(":\r\n") != std::string::npos) FUZZ_CHECK(reply.ends_with("\r\n\r\n"));
        if (session.quitting()) break;
    }
    return 0;
}
