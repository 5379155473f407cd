// kolb-list on the command line: what each command prints, writes and exits with.
#include "ListTool.h"
#include "LoggerTesting.h"

#include <gmock/gmock.h>

#include <fstream>
#include <sstream>

namespace {

using ::testing::HasSubstr;

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::string eventLine(int number, const std::string& reel, const std::string& in,
                      const std::string& out) {
    std::string n = std::to_string(number);
    n.insert(0, 3 - std::min<std::size_t>(3, n.size()), '0');
    return n + "  " + reel + std::string(9 - std::min<std::size_t>(8, reel.size()), ' ') +
           "V     C        " + in + " " + out + " 01:00:00:00 01:00:01:00\r\n";
}

// A CMX list of two clips on two reels, at the rate its FCM line says.
std::string twoReels(const std::string& fcm = "NON-DROP FRAME") {
    return "TITLE: TWO REELS\r\nFCM: " + fcm + "\r\n" +
           eventLine(1, "REEL_A", "01:00:00:00", "01:00:01:00") +
           "* FROM CLIP NAME: Long name of the first clip\r\n" +
           eventLine(2, "REEL_B", "02:00:00:00", "02:00:01:00") + "* FROM CLIP NAME: Second\r\n";
}

// A CMX list of n clips, each a second long, with a line that cannot be read after the first.
std::string clips(int n, bool badLine) {
    std::string list = "TITLE: MANY\r\nFCM: NON-DROP FRAME\r\n";
    for (int i = 1; i <= n; ++i) {
        list += eventLine(i, "R1", timecode::TimeText(30 * i), timecode::TimeText(30 * i + 30));
        if (i == 1 && badLine) list += eventLine(2, "R1", "01:00:00:45", "01:00:01:00");
    }
    return list;
}

TEST(KolbList, EachCommandPrintsWritesAndExitsAsItSays) {
    const struct {
        const char* what;
        std::vector<std::string> args; // "IN" is the list below, "OUT/x" a file in the folder
        std::string list;
        int status;
        std::string out, err; // a text each must hold (empty: nothing is printed there)
        std::string written;  // OUT's file must hold this; empty: no file is written
    } rows[] = {
        {"help", {"--help"}, "", 0, "Usage: kolb-list convert", "", ""},
        {"no command", {}, "", 2, "", "kolb-list: no command given\nUsage:", ""},
        {"unknown command", {"merge", "IN"}, "", 2, "", "unknown command \"merge\"", ""},
        {"unknown option",
         {"check", "--fast", "IN"},
         twoReels(),
         2,
         "",
         "unknown option \"--fast\"",
         ""},
        {"a rate KOLB has no name for",
         {"check", "--rate", "24", "IN"},
         twoReels(),
         2,
         "",
         "--rate must be 30, 25 or 30DF, not \"24\"",
         ""},
        {"an option without its value",
         {"convert", "IN", "OUT/a.csv", "--tape"},
         twoReels(),
         2,
         "",
         "--tape needs a value",
         ""},
        {"convert without OUT", {"convert", "IN"}, twoReels(), 2, "", "two files, IN and OUT", ""},
        {"an OUT that names no format",
         {"convert", "IN", "OUT/a.doc"},
         twoReels(),
         2,
         "",
         "a.doc names no list format",
         ""},
        {"a list that is not there", {"check", "OUT/none.edl"}, "", 1, "", "could not read", ""},
        {"check of a whole list",
         {"check", "IN"},
         twoReels(),
         0,
         "rate: 30 (the list says non-drop frame: the rate given)\nclips: 2\n  001  Long name of "
         "the first clip  tape REEL_A  "
         "01:00:00:00 01:00:01:00\n  002  Second  tape REEL_B  02:00:00:00 02:00:01:00\ntapes: "
         "2: REEL_A, REEL_B\nskipped: 0\n",
         "",
         ""},
        {"check says every skipped line",
         {"check", "IN"},
         clips(3, true),
         1,
         "tapes: 1: R1\nskipped: 1\n  line 4: source times 01:00:00:45 01:00:01:00 are not "
         "timecode at the rate 30\n",
         "",
         ""},
        {"check of a drop-frame list",
         {"check", "--rate", "25", "IN"},
         twoReels("DROP FRAME"),
         0,
         "rate: 30DF (as the list says)",
         "",
         ""},
        {"check: a rate given for a list that says none",
         {"check", "--rate", "25", "IN"},
         "TITLE: X\r\n" + eventLine(1, "R", "01:00:00:24", "01:00:01:00"),
         0,
         "rate: 25 (the list says none: the rate given)",
         "",
         ""},
        {"check past 100 clips",
         {"check", "IN"},
         clips(101, false),
         0,
         "more: the list holds more than 100 clips; only the first 100 were read",
         "",
         ""},
        {"convert to CSV",
         {"convert", "IN", "OUT/a.csv"},
         twoReels(),
         0,
         "",
         "",
         "001,Long name of the first clip,REEL_A,01:00:00:00,01:00:01:00,00:00:01:00,30,,\r\n"
         "002,Second,REEL_B,"},
        {"convert to a CMX 3600 list keeps each reel",
         {"convert", "IN", "OUT/a.EDL"},
         twoReels(),
         0,
         "",
         "",
         "002  REEL_B   AA/V  C        02:00:00:00 02:00:01:00"},
        {"convert with a tape for clips without one",
         {"convert", "--tape", "DAY 2", "IN", "OUT/a.ale"},
         "TITLE: X\r\n" + eventLine(1, "AX", "01:00:00:00", "01:00:01:00") +
             eventLine(2, "R2", "01:00:02:00", "01:00:03:00"),
         0,
         "",
         "",
         "DAY 2\t"},
        {"a list's own rate wins over --rate",
         {"convert", "--rate", "25", "IN", "OUT/a.csv"},
         twoReels("DROP FRAME"),
         0,
         "",
         "counts at 30DF, so it is written at that rate, not at 25",
         ",00:00:01;00,30DF,"},
        {"a list at a rate KOLB does not count at is written at its own frames, with its rate",
         {"convert", "IN", "OUT/a.csv"},
         "Name;Tape;In;Out;Rate\r\nA;T;01:00:00:45;01:00:01:10;59.94\r\n",
         0,
         "",
         "counts at 59.94, a rate KOLB does not count at: its times are written as they were read",
         "001,A,T,01:00:00:45,01:00:01:10,00:00:00:25,59.94,,"},
        {"an ALE's rate among the heading's pairs on one line, at a rate KOLB does not count at",
         {"check", "IN"},
         "Heading\r\nFIELD_DELIM\tTABS\tVIDEO_FORMAT\t1080\tFPS\t23.98\r\n\r\nColumn\r\n"
         "Name\tTape\tStart\tEnd\r\n\r\nData\r\nA\tT\t01:00:00:00\t01:00:01:00\r\n",
         0,
         "rate: 23.976 (KOLB counts at 30, 25 and 30DF, not at this rate",
         "",
         ""},
        {"an ALE keeps a rate KOLB does not count at",
         {"convert", "IN", "OUT/a.ale"},
         "Name;Tape;In;Out;Rate\r\nA;T;01:00:00:45;01:00:01:10;50\r\n",
         0,
         "",
         "counts at 50",
         "VIDEO_FORMAT\t1080\r\nAUDIO_FORMAT\t48khz\r\nFPS\t50\r\n"},
        {"an EDL has no place for the rate",
         {"convert", "IN", "OUT/a.edl"},
         "Name;Tape;In;Out;Rate\r\nA;T;01:00:00:45;01:00:01:10;50\r\n",
         0,
         "",
         "an EDL has no place for a list's rate: read a.edl at 50",
         "001  T        AA/V  C        01:00:00:45 01:00:01:10"},
        {"convert writes what was read and fails when a line was skipped",
         {"convert", "IN", "OUT/a.csv"},
         clips(3, true),
         1,
         "",
         "a.csv holds what was read, but 1 lines of in.edl were skipped and 0 cut",
         "003,R1,R1,00:00:03:00"},
        {"a list of only black",
         {"check", "IN"},
         "TITLE: X\r\n" + eventLine(1, "BL", "00:00:00:00", "00:00:05:00"),
         1,
         "",
         "The list holds only black or pieces of no length: no clip to load",
         ""},
        {"convert past 100 clips says so",
         {"convert", "IN", "OUT/a.csv"},
         clips(101, false),
         0,
         "",
         "holds more than 100 clips: the first 100 were converted",
         "100,R1,R1,"},
        {"a Standard EDL that would cut a name is not written",
         {"convert", "IN", "OUT/a.txt"},
         twoReels(),
         1,
         "",
         "a.txt would not hold the list whole, so it was not written:\n  Event 001: \"Long name of "
         "the first clip\" becomes \"Long n\"",
         ""},
        {"a Standard EDL that holds the list",
         {"convert", "IN", "OUT/a.txt"},
         "TITLE: X\r\n" + eventLine(1, "AX", "01:00:00:00", "01:00:01:00") +
             "* FROM CLIP NAME: Take1\r\n",
         0,
         "",
         "",
         "001  Take1 "},
        {"a folder to write into that is not there",
         {"convert", "IN", "OUT/no/a.csv"},
         twoReels(),
         1,
         "",
         "could not write",
         ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TempDir dir;
        const std::string in = dir.file("in.edl");
        std::ofstream(in, std::ios::binary) << row.list;
        std::string outPath;
        std::vector<std::string> args;
        for (const std::string& word : row.args) {
            if (word == "IN") {
                args.push_back(in);
            } else if (word.starts_with("OUT/")) {
                outPath = dir.file(word.substr(4));
                args.push_back(outPath);
            } else {
                args.push_back(word);
            }
        }
        std::ostringstream out, err;
        EXPECT_EQ(RunListTool(args, out, err), row.status) << out.str() << err.str();
        const auto holds = [](const std::string& printed, const std::string& wanted) {
            if (wanted.empty()) {
                EXPECT_EQ(printed, "");
            } else {
                EXPECT_THAT(printed, HasSubstr(wanted));
            }
        };
        holds(out.str(), row.out);
        holds(err.str(), row.err);
        if (row.written.empty()) {
            if (!outPath.empty()) {
                EXPECT_FALSE(std::filesystem::exists(outPath));
            }
        } else {
            EXPECT_THAT(readFile(outPath), HasSubstr(row.written));
        }
    }
}

} // namespace
