// The lines of other systems' CMX 3600 lists, one at a time: event lines read by their fields,
// and the comments that name a clip or say its tape, notes and good take.
#include "CmxCommentLine.h"
#include "CmxEventLine.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

inline void PrintTo(const CmxEventLine& line, std::ostream* os) {
    *os << "{" << line.number << " [" << line.reel << "] " << line.channels << " "
        << static_cast<int>(line.transition) << " [" << line.length << "] " << line.sourceIn << " "
        << line.sourceOut << " " << line.recordIn << " " << line.recordOut << "}";
}

inline void PrintTo(const CmxCommentLine& line, std::ostream* os) {
    *os << "{" << static_cast<int>(line.kind) << " [" << line.text << "]}";
}

namespace {

const std::string times = "01:00:04:05 01:00:05:12 00:59:53:11 00:59:54:18";

CmxEventLine event(std::string number, std::string reel, std::string channels,
                   CmxTransition transition = CmxTransition::Cut, std::string length = "") {
    return {std::move(number), std::move(reel),   std::move(channels),
            transition,        std::move(length), "01:00:04:05",
            "01:00:05:12",     "00:59:53:11",     "00:59:54:18"};
}

CmxEventLine withTimes(CmxEventLine line, std::string sourceIn, std::string sourceOut,
                       std::string recordIn, std::string recordOut) {
    line.sourceIn = std::move(sourceIn);
    line.sourceOut = std::move(sourceOut);
    line.recordIn = std::move(recordIn);
    line.recordOut = std::move(recordOut);
    return line;
}

} // namespace

TEST(CmxEventLine, IsReadByItsFields) {
    const struct {
        const char* what;
        std::string line;
        std::optional<CmxEventLine> read;
        bool meant = true; // LooksLikeCmxEventLine: meant as an event line
    } rows[] = {
        {"CMX 3600: 3 digits, an 8-wide reel, blanks after the times",
         "001  AX       AA/V  C        " + times + " ", event("001", "AX", "AA/V")},
        {"8 digits and a 32-wide reel",
         "00000001  B_0031C010_241010_133208_h1C2T   V     C   " + times,
         event("00000001", "B_0031C010_241010_133208_h1C2T", "V")},
        {"9 digits are no event number", "000000001  AX V C " + times, std::nullopt},
        {"a reel with blanks in it, of any width", "0001  CAM A ROLL 2    A2    C " + times,
         event("0001", "CAM A ROLL 2", "A2")},
        {"BL inside the padding of the reel column", "040     BL    A12   C        " + times,
         event("040", "BL", "A12")},
        {"a dissolve and its length", "002  TST V     D    010 " + times,
         event("002", "TST", "V", CmxTransition::Dissolve, "010")},
        {"a wipe number padded as if it were one character", "002  TST V     W001    010 " + times,
         event("002", "TST", "V", CmxTransition::Wipe, "010")},
        {"a wipe without a length", "003  R1 NONE W000 " + times,
         event("003", "R1", "NONE", CmxTransition::Wipe)},
        {"a key with its side as a field of its own", "004  R1 V K B 030 " + times,
         event("004", "R1", "V", CmxTransition::Key, "030")},
        {"';' and '.' between the digits",
         "005  R1 V C 01:00:04;05 01:00:05;12 00.59.53.11 00.59.54.18",
         withTimes(event("005", "R1", "V"), "01:00:04;05", "01:00:05;12", "00.59.53.11",
                   "00.59.54.18")},
        {"no channel code where the channels stand", "006  AX  VIDEO  C " + times, std::nullopt},
        {"a time of one digit too few", "007  R1 V C 01:00:04:5 " + times.substr(12), std::nullopt},
        {"a number and words with no time: no event line", "2 takes of the harbour, both soft",
         std::nullopt, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(ParseCmxEventLine(row.line), row.read);
        EXPECT_EQ(LooksLikeCmxEventLine(row.line), row.meant);
    }
}

TEST(CmxCommentLine, IsReadWithOrWithoutTheStarAndTheBlanks) {
    using enum CmxComment;
    const struct {
        std::string line;
        std::optional<CmxCommentLine> read;
    } rows[] = {
        {"* FROM CLIP NAME: Take 2", CmxCommentLine{FromClipName, "Take 2"}},
        {"*FROM CLIP NAME:  117C-3-B", CmxCommentLine{FromClipName, "117C-3-B"}},
        {"FROM CLIP NAME: shot1", CmxCommentLine{FromClipName, "shot1"}},
        {"* COMMENT:   then rain \t", CmxCommentLine{Comment, "then rain"}},
        {"*TAPE:\tReel 9", CmxCommentLine{Tape, "Reel 9"}},
        {"* FROM CLIP NAME: ", CmxCommentLine{FromClipName, ""}},
        {"* TO CLIP NAME:clip_B", CmxCommentLine{ToClipName, "clip_B"}},
        {"*SOURCE FILE: A192C008_160909_R1BY", CmxCommentLine{SourceFile, "A192C008_160909_R1BY"}},
        {"* FROM CLIP: S:\\path\\to\\ZZ100_501.take_1.0001.exr", std::nullopt},
    };
    for (const auto& row : rows) EXPECT_EQ(ParseCmxCommentLine(row.line), row.read) << row.line;
}
