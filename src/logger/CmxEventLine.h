#pragma once

#include <optional>
#include <string>
#include <string_view>

// The event lines of a CMX 3600 list as editing systems and conform tools write them, read by
// their fields, with blanks (any number) between them:
//   event number   1 to 8 digits ("001", "0001", "000001")
//   reel           any width, padded or not (8, 32 or 128 characters, or just the name)
//   channels       V, A, A2, AA, AA/V, B, A1234 and the like, or NONE
//   transition     C (cut), D (dissolve), W and its number (W001, W000), K, KB, KO, "K B", "K O"
//   length         for a transition other than a cut, its length in frames, when written
//   four times     source in, source out, record in, record out: two digits four times with ':',
//                  ';' or '.' between them
// The reel is what lies between the number and the channels, so a reel written with blanks in it
// comes whole, and a transition number padded as if it were one character ("W001    010") is
// read all the same.

enum class CmxTransition { Cut, Dissolve, Wipe, Key };

struct CmxEventLine {
    std::string number; // as written
    std::string reel;
    std::string channels;
    CmxTransition transition = CmxTransition::Cut;
    std::string length; // a transition's length in frames as written; empty for a cut
    std::string sourceIn, sourceOut, recordIn, recordOut; // as written
    bool operator==(const CmxEventLine&) const = default;
};

// The fields of an event line; nothing when a field is missing or is not what its place holds.
// The times are only shaped as timecode here: whether they count at a rate is the reader's part.
std::optional<CmxEventLine> ParseCmxEventLine(std::string_view line);

// The line is meant as an event line, whether or not it can be read: it starts with digits (after
// any blanks) and a blank, and holds a time (two digits, ':' or ';', two digits) after them.
bool LooksLikeCmxEventLine(std::string_view line);
