#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// MD5 as RFC 1321 defines it, fed in pieces of any size.
class Md5 {
public:
    Md5();
    void add(std::string_view data);
    // The digest of everything added so far, as 32 lower-case hex digits. More may be added
    // after: the running state is not touched.
    std::string hex() const;

private:
    void block(const unsigned char* p);

    std::array<std::uint32_t, 4> state;
    std::uint64_t length = 0; // bytes added
    std::array<unsigned char, 64> pending{};
    std::size_t used = 0; // bytes waiting in pending
};

// The MD5 of data as 32 lower-case hex digits.
std::string Md5Hex(std::string_view data);
