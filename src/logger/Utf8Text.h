#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Names and titles are held as UTF-8 text. Lists from older versions carry Latin-1 bytes; these
// helpers read both and count in characters, never in bytes.

// Bytes as UTF-8 text: every valid UTF-8 sequence is kept, every other byte is read as Latin-1
// (so an old Latin-1 list loads, and a UTF-8 one is untouched).
std::string TextFromBytes(std::string_view bytes);

// The number of characters (code points) in UTF-8 text.
std::size_t CharCount(std::string_view text);

// A count and its noun, the noun with an "s" when the count is not one: "1 clip", "3 clips".
std::string Counted(int n, std::string_view noun);

// The first n characters of UTF-8 text, never splitting one.
std::string FirstChars(std::string_view text, std::size_t n);
