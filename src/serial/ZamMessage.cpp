#include "ZamMessage.h"

#include "Utils.h"

#include <algorithm>

bool ZamStartsMessage(std::uint8_t byte) {
    return byte >= 0x80;
}

ZamAction ZamMessageAction(std::uint8_t group, std::uint8_t code) {
    if (group == 0x81) return code == 0x7F ? ZamAction::JogF : ZamAction::JogR;
    if (group != 0x80) return ZamAction::None;
    switch (code) {
    case 0x45:
        return ZamAction::Play;
    case 0x44:
        return ZamAction::Stop;
    case 0x42:
        return ZamAction::Rewind;
    case 0x43:
        return ZamAction::Forward;
    case 0x40:
        return ZamAction::MarkIn;
    case 0x41:
        return ZamAction::MarkOut;
    default:
        return ZamAction::None;
    }
}

std::string ZamLoneByteText(std::span<const std::uint8_t> group, int waitMs) {
    return "ZAM message " + Utils::BS2S(group, std::min<int>(group.size(), 1)) +
           "cut short, dropped: its second byte did not come within " + std::to_string(waitMs) +
           " ms (press the key again)";
}

std::string ZamLostCodeText(std::span<const std::uint8_t> group) {
    return "ZAM message " + Utils::BS2S(group, std::min<int>(group.size(), 1)) +
           "cut short, dropped: another message began before its second byte (press the key "
           "again)";
}

std::string ZamStrayText(std::span<const std::uint8_t> bytes) {
    const int n = static_cast<int>(std::min<std::size_t>(bytes.size(), 8));
    return (bytes.empty() ? std::string("ZAM bytes ") : "ZAM bytes " + Utils::BS2S(bytes, n)) +
           "dropped: they came with no message to belong to (press the key again)";
}

std::string ZamDroppedText(std::span<const std::uint8_t> bytes, int restMs) {
    constexpr std::size_t shown = 8;
    const int n = static_cast<int>(std::min(bytes.size(), shown));
    std::string text = "ZAM message " + Utils::BS2S(bytes, n);
    if (bytes.empty()) text = "ZAM messages ";
    if (bytes.size() > shown) text += "... (" + std::to_string(bytes.size()) + " bytes) ";
    return text + "dropped: one message is taken every " + std::to_string(restMs) +
           " ms (press the key again)";
}
