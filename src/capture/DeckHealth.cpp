#include "DeckHealth.h"

#include <cstddef>

namespace {

// The status bits that speak of the picture while the deck plays a tape, by the names the
// Sony 9-pin (RS-422) protocol gives them in its status data table.
struct Sign {
    std::size_t byte;
    std::uint8_t mask;
    bool troubleWhenSet; // else trouble when clear
    const char* text;    // the bit's name and how it went wrong
};

const Sign signs[] = {
    // Byte 0, bit 5: no cassette in the deck.
    {0, 0x20, true, "CASSETTE OUT"},
    // Byte 1, bit 6: the deck has let the tape's tension go; no picture comes off the heads.
    {1, 0x40, true, "TENSION RELEASE"},
    // Byte 1, bit 0: set in PLAY, REC and EDIT; clear, the deck is not playing the tape.
    {1, 0x01, false, "PLAY off"},
    // Byte 2, bit 7: drum and capstan servos locked in PLAY; unlocked, the picture tears or
    // rolls.
    {2, 0x80, false, "SERVO LOCK lost"},
    // Byte 2, bit 1: a still picture: the same frame over and over.
    {2, 0x02, true, "STILL"},
};

} // namespace

std::vector<std::string> HealthOf(const std::vector<std::vector<std::uint8_t>>& statuses) {
    std::vector<std::string> said;
    bool anyRead = false;
    for (const Sign& sign : signs) {
        int reads = 0;
        int trouble = 0;
        for (const auto& status : statuses) {
            if (status.size() <= sign.byte) continue;
            ++reads;
            const bool set = (status[sign.byte] & sign.mask) != 0;
            if (set == sign.troubleWhenSet) ++trouble;
        }
        anyRead = anyRead || reads > 0;
        if (trouble > 0)
            said.push_back(std::string(sign.text) + " in " + std::to_string(trouble) + " of " +
                           std::to_string(reads) + " reads");
    }
    if (!anyRead) said.push_back("no status read");
    return said;
}
