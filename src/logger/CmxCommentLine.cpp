#include "CmxCommentLine.h"

#include <array>
#include <utility>

namespace {

std::string_view withoutBlanks(std::string_view text) {
    const std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos) return {};
    return text.substr(start, text.find_last_not_of(" \t") - start + 1);
}

constexpr std::array<std::pair<std::string_view, CmxComment>, 6> comments = {{
    {"FROM CLIP NAME:", CmxComment::FromClipName},
    {"TO CLIP NAME:", CmxComment::ToClipName},
    {"COMMENT:", CmxComment::Comment},
    {"TAPE:", CmxComment::Tape},
    {"GOOD TAKE:", CmxComment::GoodTake},
    {"SOURCE FILE:", CmxComment::SourceFile},
}};

} // namespace

std::optional<CmxCommentLine> ParseCmxCommentLine(std::string_view line) {
    std::size_t at = line.find_first_not_of(" \t");
    if (at == std::string_view::npos) return std::nullopt;
    if (line[at] == '*') at = line.find_first_not_of(" \t", at + 1);
    if (at == std::string_view::npos) return std::nullopt;
    const std::string_view rest = line.substr(at);
    for (const auto& [heading, kind] : comments)
        if (rest.starts_with(heading))
            return CmxCommentLine{kind, withoutBlanks(rest.substr(heading.size()))};
    return std::nullopt;
}
