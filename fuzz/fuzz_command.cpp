// Lines of the command language, as a TCP client or a script sends them, through the real
// controller. The input is split at line feeds, so a cue text set by one line is used by the
// next.
#include "CommandLanguage.h"
#include "ControllerRig.h"
#include "FuzzSupport.h"

namespace {
Settings deckSettings() {
    Settings s;
    // A disk recorder reviews without the tape's one-second pauses.
    s.VCRType = "VANTO";
    s.vanto = true;
    return s;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::quietConsole();
    static fuzz::ControllerRig rig(deckSettings()); // its threads are joined at exit
    const std::string_view input = fuzz::text(data, size);
    std::size_t from = 0;
    for (int n = 0; n < 64 && from <= input.size(); ++n) {
        std::size_t end = input.find('\n', from);
        if (end == std::string_view::npos) end = input.size();
        const std::string line(input.substr(from, end - from));
        const long before = rig.link.sent;
        const bool understood = ParseNetCommand(static_cast<CommandTarget&>(rig.vcr), line);
        // A line not understood sends nothing to the deck (but Review, which stops the deck
        // before it reads its times).
        if (!understood && line != "Review") FUZZ_CHECK(rig.link.sent == before);
        if (understood && line.starts_with("tc1"))
            FUZZ_CHECK(rig.vcr.panel().texts().in() == line.substr(3));
        from = end + 1;
    }
    return 0;
}
