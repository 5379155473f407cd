// Bytes read from lists as text: valid UTF-8 is kept, every byte of a sequence that is not
// valid UTF-8 is read as a Latin-1 character of its own.
#include "Utf8Text.h"

#include <gtest/gtest.h>

#include <string>

TEST(Utf8Text, EachByteOfABadSequenceIsReadAsLatin1AndTheRestKept) {
    const struct {
        const char* what;
        std::string bytes, text;
    } rows[] = {
        {"the first and last two-byte characters", "\xC2\x80\xDF\xBF", "\xC2\x80\xDF\xBF"},
        {"U+0800, U+D7FF, U+E000 and U+FFFF", "\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF",
         "\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF"},
        {"U+10000 and U+10FFFF", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF",
         "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},
        // The lead byte bad.
        {"a continuation byte with no lead", "z\x80z\xBF", "z\xC2\x80z\xC2\xBF"},
        {"bytes that lead nothing: C0, C1, F5, FF", "\xC0\xC1\xF5\xFF",
         "\xC3\x80\xC3\x81\xC3\xB5\xC3\xBF"},
        {"a five-byte lead and its continuations", "\xF8\x88\x80\x80\x80",
         "\xC3\xB8\xC2\x88\xC2\x80\xC2\x80\xC2\x80"},
        // The second byte bad.
        {"two bytes, a letter second", "\xC3z", "\xC3\x83z"},
        {"two bytes, a lead second: it starts a character of its own", "\xC3\xC3\xA9",
         "\xC3\x83\xC3\xA9"},
        {"three bytes, a letter second", "\xE6z\xB1", "\xC3\xA6z\xC2\xB1"},
        {"four bytes, a letter second", "\xF0z\x98\x80", "\xC3\xB0z\xC2\x98\xC2\x80"},
        // The third or fourth byte bad.
        {"three bytes, a letter third", "\xE6\x9Dz", "\xC3\xA6\xC2\x9Dz"},
        {"four bytes, a letter third", "\xF0\x9Fz\x80", "\xC3\xB0\xC2\x9Fz\xC2\x80"},
        {"four bytes, a letter fourth", "\xF0\x9F\x98z", "\xC3\xB0\xC2\x9F\xC2\x98z"},
        {"four bytes, a lead fourth that starts a character", "\xF0\x9F\x98\xC3\xA9",
         "\xC3\xB0\xC2\x9F\xC2\x98\xC3\xA9"},
        // Cut short by the end of the text or of the line.
        {"two bytes cut at the end", "z\xC3", "z\xC3\x83"},
        {"three bytes cut at the end", "\xE6\x9D", "\xC3\xA6\xC2\x9D"},
        {"four bytes cut at the end", "\xF0\x9F\x98", "\xC3\xB0\xC2\x9F\xC2\x98"},
        {"three bytes cut by a line end", "\xE6\x9D\r\nz", "\xC3\xA6\xC2\x9D\r\nz"},
        // Overlong forms: a character written in more bytes than it needs.
        {"'/' in two bytes", "\xC0\xAF", "\xC3\x80\xC2\xAF"},
        {"U+007F in two bytes", "\xC1\xBF", "\xC3\x81\xC2\xBF"},
        {"'/' in three bytes", "\xE0\x80\xAF", "\xC3\xA0\xC2\x80\xC2\xAF"},
        {"U+07FF in three bytes", "\xE0\x9F\xBF", "\xC3\xA0\xC2\x9F\xC2\xBF"},
        {"U+FFFF in four bytes", "\xF0\x8F\xBF\xBF", "\xC3\xB0\xC2\x8F\xC2\xBF\xC2\xBF"},
        // Surrogates, alone or paired as CESU-8 writes them, and past U+10FFFF.
        {"U+D800", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},
        {"U+DFFF", "\xED\xBF\xBF", "\xC3\xAD\xC2\xBF\xC2\xBF"},
        {"a surrogate pair", "\xED\xA0\xBD\xED\xB8\x80",
         "\xC3\xAD\xC2\xA0\xC2\xBD\xC3\xAD\xC2\xB8\xC2\x80"},
        {"U+110000", "\xF4\x90\x80\x80", "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string text = TextFromBytes(row.bytes);
        EXPECT_EQ(text, row.text);
        // What was read is valid UTF-8: read again, it stays as it is.
        EXPECT_EQ(TextFromBytes(text), text);
    }
}
