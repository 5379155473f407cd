// Bytes on the simulated deck's line: the frame assembler and the deck's answer to each frame.
// Each byte of the input is preceded by a time step, so frames are cut by quiet gaps too.
#include "DeckModel.h"
#include "DeckResponder.h"
#include "FuzzSupport.h"
#include "NinePin.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DeckModel model(DeckModel::Config{});
    DeckResponder responder(model);
    FrameAssembler assembler;
    double now = 0;
    std::size_t in = 0;
    std::size_t out = 0;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        now += data[i] / 16.0; // 0 to 16 ms
        out += assembler.expire(now).size();
        for (const auto& frame : assembler.add({data[i + 1]}, now)) {
            FUZZ_CHECK(frame.size() == ninepin::FrameLength(frame[0]));
            out += frame.size();
            const auto reply = responder.handle(frame, now);
            // Every frame has an answer, and it is a whole frame itself.
            FUZZ_CHECK(!reply.empty() && reply.size() == ninepin::FrameLength(reply[0]));
        }
        ++in;
    }
    // Nothing is made up: the frames and the dropped bytes come from the bytes given.
    FUZZ_CHECK(out <= in);
    return 0;
}
