#pragma once

// A deck controller whose link has no port: every frame it sends is counted and answered with
// silence, so the command language runs through the real controller without a deck. Cue runs
// need a port and so do not start; a Wait ends at once, because the operator's stop is already
// requested and a script in progress is what it stops.
#include "LocalVCR.h"
#include "NullPanel.h"

#include <atomic>
#include <thread>

namespace fuzz {

// Counts the frames sent from the thread that made it (the fuzzer's): the controller's start-up
// runs on its own thread meanwhile, and its frames are not the input's.
class CountingLink : public SerOutPort {
public:
    CountingLink() : SerOutPort("fuzz-link", [](const SerialConfig&) { return nullptr; }) {}
    DeckReply SendSerial(std::span<const std::uint8_t>) override {
        if (std::this_thread::get_id() == owner) ++sent;
        return {};
    }
    std::atomic<long> sent{0};

private:
    const std::thread::id owner = std::this_thread::get_id();
};

struct ControllerRig {
    CountingLink link;
    LocalVCR vcr;
    explicit ControllerRig(const Settings& s) : vcr(link, 0, s.lanc, s, headless(), [](int) {}) {
        // Not waiting for the start-up's pauses: the fuzzer's lines run beside them.
        vcr.setscriptactive(true);
        vcr.requestOperatorStop();
    }
};

} // namespace fuzz
