#include "Utf8Text.h"

namespace {

bool continuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at the start of bytes, or 0 when there is none: no
// overlong form, no surrogate, nothing above U+10FFFF.
std::size_t sequenceLength(std::string_view bytes) {
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = at(0);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80; // the bounds of the second byte, which rule out the invalid forms
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (bytes.size() < length) return 0;
    if (at(1) < low || at(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (!continuation(at(i))) return 0;
    return length;
}

} // namespace

std::string TextFromBytes(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    while (!bytes.empty()) {
        const std::size_t length = sequenceLength(bytes);
        if (length > 0) {
            text.append(bytes.substr(0, length));
            bytes.remove_prefix(length);
            continue;
        }
        // A Latin-1 byte from 80 to FF: the code point of the same number, in two bytes.
        const auto c = static_cast<unsigned char>(bytes.front());
        text += static_cast<char>(0xC0 | (c >> 6));
        text += static_cast<char>(0x80 | (c & 0x3F));
        bytes.remove_prefix(1);
    }
    return text;
}

std::size_t CharCount(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text)
        if (!continuation(static_cast<unsigned char>(c))) ++count;
    return count;
}

std::string FirstChars(std::string_view text, std::size_t n) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (continuation(static_cast<unsigned char>(text[i]))) continue;
        if (chars++ == n) return std::string(text.substr(0, i));
    }
    return std::string(text);
}

std::string Counted(int n, std::string_view noun) {
    return std::to_string(n) + " " + std::string(noun) + (n == 1 ? "" : "s");
}
