#pragma once

#include <optional>
#include <string_view>

// The comment lines of a CMX 3600 list that say something of an event, as other systems write
// them: "* FROM CLIP NAME: Take 2", "*FROM CLIP NAME:  Take 2 " (no blank after the star, as Avid
// writes it, and blanks around the text) or "FROM CLIP NAME: Take 2" (no star at all); the same
// for "TO CLIP NAME", "COMMENT", "TAPE", "GOOD TAKE" and "SOURCE FILE".

enum class CmxComment { FromClipName, ToClipName, Comment, Tape, GoodTake, SourceFile };

struct CmxCommentLine {
    CmxComment kind;
    std::string_view text; // after the colon, without the blanks around it
    bool operator==(const CmxCommentLine&) const = default;
};

// The comment a line holds; nothing for every other line, other comments too ("* FROM CLIP:"
// with a path, "* LOC:", "* ASC_SOP").
std::optional<CmxCommentLine> ParseCmxCommentLine(std::string_view line);
