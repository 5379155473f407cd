#include "DeckRefusal.h"

#include "ReplyDecoding.h"
#include "Utils.h"

namespace {
struct Named {
    std::uint8_t cmd1;
    std::uint8_t cmd2;
    const char* name;
};

// The commands the controller sends, by their first two bytes.
constexpr Named names[] = {
    {0x20, 0x00, "Stop"},         {0x20, 0x01, "Play"},
    {0x20, 0x02, "Record"},       {0x20, 0x04, "Standby Off"},
    {0x20, 0x05, "Standby On"},   {0x20, 0x0F, "Eject"},
    {0x20, 0x10, "Fast Fwd"},     {0x20, 0x20, "Rewind"},
    {0x20, 0x60, "E-E Off"},      {0x20, 0x61, "E-E On"},
    {0x21, 0x11, "Jog Fwd"},      {0x21, 0x21, "Jog Rev"},
    {0x21, 0x12, "Var Fwd"},      {0x21, 0x22, "Var Rev"},
    {0x21, 0x13, "Shuttle Fwd"},  {0x21, 0x23, "Shuttle Rev"},
    {0x24, 0x31, "Cue Up With Data"}, {0x41, 0x36, "Time Mode"},
    {0x44, 0x31, "Preroll Time Preset"}, {0x61, 0x0C, "Current Time Sense"},
    {0x61, 0x20, "Status Sense"}, {0x40, 0x48, "Video Ref Disable On"},
    {0x40, 0x49, "Video Ref Disable Off"},
};

struct Reason {
    std::uint8_t bit;
    const char* text;
};
constexpr Reason reasons[] = {{0x01, "undefined command"}, {0x04, "checksum error"},
                              {0x10, "parity error"},      {0x20, "buffer overrun"},
                              {0x40, "framing error"},     {0x80, "time-out"}};
} // namespace

std::optional<std::uint8_t> NakBits(std::span<const std::uint8_t> reply, int count) {
    if (count < 4 || reply.size() < 4 || reply[0] != 0x11 || reply[1] != 0x12) return std::nullopt;
    if (!ReplyChecksumOK(reply, count)) return std::nullopt;
    return reply[2];
}

std::string NakReasons(std::uint8_t bits) {
    std::string text;
    std::uint8_t unnamed = bits;
    for (const Reason& r : reasons) {
        if (!(bits & r.bit)) continue;
        unnamed &= static_cast<std::uint8_t>(~r.bit);
        if (!text.empty()) text += ", ";
        text += r.text;
    }
    if (unnamed != 0) {
        // Bits without a name are still the deck's answer: shown as they came.
        if (!text.empty()) text += ", ";
        text += "bits " + Utils::BS2S(std::span(&unnamed, 1), 1);
        text.pop_back();
    }
    return text.empty() ? "no reason given" : text;
}

std::string CommandName(std::span<const std::uint8_t> frame) {
    if (frame.size() < 2) return "an empty command";
    if (frame[0] == 0xF3) return "Recorder Set-Up";
    if (frame.size() >= 3 && frame[0] == 0x21 && frame[1] == 0x13 && frame[2] == 0x00)
        return "Pause"; // shuttle at speed 0
    for (const Named& n : names)
        if (n.cmd1 == frame[0] && n.cmd2 == frame[1]) return n.name;
    std::string hex = Utils::BS2S(frame, 2);
    hex.pop_back();
    return hex;
}

bool IsSenseRequest(std::span<const std::uint8_t> frame) {
    return !frame.empty() && (frame[0] & 0xF0) == 0x60;
}

std::string RefusalText(std::span<const std::uint8_t> frame, std::uint8_t bits) {
    std::string text = "Deck refused ";
    text += CommandName(frame);
    text += " (";
    text += NakReasons(bits);
    text += ")";
    return text;
}
