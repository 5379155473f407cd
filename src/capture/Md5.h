#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// MD5 as RFC 1321 defines it, of bytes and of files, and the sidecar md5sum -c checks.

// The digest, fed in pieces of any size.
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

// A captured file's MD5 and its sidecar, the file md5sum -c checks.

// Files are read in blocks of this many bytes.
constexpr std::size_t md5ReadBlockBytes = 1 << 20;

// Sets hex to the MD5 of the file at path. Empty on success, else the reason (strerror text);
// hex is then left as it was.
std::string Md5OfFile(const std::string& path, std::string& hex);

// The line md5sum writes and md5sum -c reads for a file: hex, two spaces, the name, "\n". A name
// holding a backslash, a line feed or a carriage return is escaped as GNU md5sum does it: the
// line starts with a backslash and those become "\\", "\n" and "\r".
std::string Md5SumLine(const std::string& hex, const std::string& fileName);

// Writes path + ".md5" holding the Md5SumLine of the file under its base name, so md5sum -c
// passes when run in the file's folder. Never replaces an existing file; a write or close that
// fails (a full disk) removes what was written. Empty on success, else the reason (strerror
// text).
std::string WriteMd5Sidecar(const std::string& path);
