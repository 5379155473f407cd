#pragma once

#include <string_view>

// The comment lines that follow an event in an EDL (CMX 3600 and the autosave) and carry what the
// event line has no column for. Other systems put any number of blanks after the colon.
constexpr std::string_view clipNameComment = "* FROM CLIP NAME: "; // the whole name
constexpr std::string_view tapeComment = "* TAPE: ";               // the whole tape
constexpr std::string_view notesComment = "* COMMENT: ";           // the notes
constexpr std::string_view goodTakeComment = "* GOOD TAKE: ";      // the good-take mark
constexpr std::string_view goodTakeYes = "YES";                    // what a good take says
