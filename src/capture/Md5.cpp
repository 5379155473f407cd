#include "Md5.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// T[i] of RFC 1321 section 3.4: the integer part of 4294967296 * |sin(i + 1)|.
const std::array<std::uint32_t, 64>& SineTable() {
    static const std::array<std::uint32_t, 64> table = [] {
        std::array<std::uint32_t, 64> t{};
        for (std::size_t i = 0; i < t.size(); ++i)
            t[i] = static_cast<std::uint32_t>(std::fabs(std::sin(double(i + 1))) * 4294967296.0);
        return t;
    }();
    return table;
}

constexpr std::uint8_t shifts[4][4] = {
    {7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

std::uint32_t RotateLeft(std::uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}

} // namespace

Md5::Md5() : state{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476} {}

void Md5::block(const unsigned char* p) {
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i)
        x[i] = std::uint32_t(p[4 * i]) | std::uint32_t(p[4 * i + 1]) << 8 |
               std::uint32_t(p[4 * i + 2]) << 16 | std::uint32_t(p[4 * i + 3]) << 24;
    const auto& t = SineTable();
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (int i = 0; i < 64; ++i) {
        const int round = i / 16;
        std::uint32_t f;
        int k;
        switch (round) {
        case 0:
            f = (b & c) | (~b & d);
            k = i;
            break;
        case 1:
            f = (b & d) | (c & ~d);
            k = (5 * i + 1) % 16;
            break;
        case 2:
            f = b ^ c ^ d;
            k = (3 * i + 5) % 16;
            break;
        default:
            f = c ^ (b | ~d);
            k = (7 * i) % 16;
            break;
        }
        const std::uint32_t sum = a + f + t[i] + x[k];
        a = d;
        d = c;
        c = b;
        b = b + RotateLeft(sum, shifts[round][i % 4]);
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

void Md5::add(std::string_view data) {
    length += data.size();
    const auto* p = reinterpret_cast<const unsigned char*>(data.data());
    std::size_t left = data.size();
    if (used > 0) {
        const std::size_t take = std::min(left, pending.size() - used);
        std::memcpy(pending.data() + used, p, take);
        used += take;
        p += take;
        left -= take;
        if (used < pending.size()) return;
        block(pending.data());
        used = 0;
    }
    for (; left >= 64; p += 64, left -= 64) block(p);
    std::memcpy(pending.data(), p, left);
    used = left;
}

std::string Md5::hex() const {
    Md5 end = *this;
    // Padding: one 1 bit, zeros up to 56 bytes into a block, then the length in bits as 64
    // bits, low byte first.
    const std::uint64_t bits = length * 8;
    static const char pad[64] = {'\x80'};
    end.add(std::string_view(pad, used < 56 ? 56 - used : 120 - used));
    char size[8];
    for (int i = 0; i < 8; ++i) size[i] = static_cast<char>(bits >> (8 * i));
    end.add(std::string_view(size, 8));
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::uint32_t word : end.state)
        for (int i = 0; i < 4; ++i) {
            const unsigned byte = (word >> (8 * i)) & 0xff;
            text += digits[byte >> 4];
            text += digits[byte & 0xf];
        }
    return text;
}

std::string Md5Hex(std::string_view data) {
    Md5 md5;
    md5.add(data);
    return md5.hex();
}
