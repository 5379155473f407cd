// The EDL files the logger writes: bytes, columns, where the list ends, and what a failed save
// leaves on the disk.
#include "EdlFile.h"
#include "LoggerTesting.h"
#include "Utf8Text.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const EventList oneClip = logOf({C1});

Lines linesOf(const std::string& bytes) {
    Lines lines;
    for (std::size_t at = 0, end; (end = bytes.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(bytes.substr(at, end - at));
    return lines;
}

using EdlSave = LoggerFiles;

} // namespace

TEST_F(EdlSave, WritesTheListByteForByte) {
    const struct {
        const char* what;
        EventList events;
        ListFormat layout;
        std::string name, bytes;
        Lines problems; // what the question before saving lists
        timecode::Rate rate = timecode::rate30;
    } cases[] = {
        {"fresh log",
         EventList::initial(),
         ListFormat::Standard,
         "edl.txt",
         head +
             "001  Name01    AA/V  C        00:00:00:00 00:00:00:00 01:00:00:00 01:00:00:00 \r\n",
         {"Event 001: no in or out point (CMX 3600 and ALE: 00:00:00:00 to 00:00:00:00, no "
          "length)"}},
        {"record times run on; an event with only an in adds none; the list ends at the last out",
         logOf({C1, C2, {"Name03", "00:00:40:00", timecode::zero}, C3}),
         ListFormat::Standard,
         "edl.txt",
         head + L1 + "\r\n" + L2 + "\r\n" +
             "003  Name03    AA/V  C        00:00:40:00 00:00:00:00 01:00:15:00 01:00:15:00 \r\n" +
             "004" + L3.substr(3) + "\r\n",
         {"Event 003: no out point (CMX 3600 and ALE: 00:00:40:00 to 00:00:40:00, no length)"}},
        {"the tape, and every event up to one named ahead",
         [] {
             EventList e = logOf({C1});
             e.tape = "Reel 7";
             e.ClipNameArray[2] = "Interview";
             return e;
         }(),
         ListFormat::Standard,
         "edl.txt",
         head + "* TAPE: Reel 7\r\n" + L1 + "\r\n" +
             "002  Name02    AA/V  C        00:00:00:00 00:00:00:00 01:00:10:00 01:00:10:00 \r\n" +
             "003  Interv    AA/V  C        00:00:00:00 00:00:00:00 01:00:10:00 01:00:10:00 \r\n",
         {"Event 002: no in or out point (CMX 3600 and ALE: 00:00:00:00 to 00:00:00:00, no length)",
          "Event 003: no in or out point (CMX 3600 and ALE: 00:00:00:00 to 00:00:00:00, no "
          "length)"}},
        {"out before in adds no record time",
         logOf({{"Ab", "00:00:20:00", "00:00:10:00"}}),
         ListFormat::Standard,
         "edl.txt",
         head + "001  Ab       AA/V  C        00:00:20:00 00:00:10:00 01:00:00:00 01:00:00:00 \r\n",
         {"Event 001: out 00:00:10:00 is not after in 00:00:20:00 (CMX 3600 and ALE: 00:00:20:00 "
          "to "
          "00:00:20:00, no length)"}},
        {"record times wrap at 24 hours",
         logOf({{"Long", "00:00:00:01", "23:00:00:01"}, {"Next", "00:00:30:00", "00:00:35:00"}}),
         ListFormat::Standard,
         "edl.txt",
         head +
             "001  Long     AA/V  C        00:00:00:01 23:00:00:01 01:00:00:00 00:00:00:00 \r\n" +
             "002  Next     AA/V  C        00:00:30:00 00:00:35:00 00:00:00:00 00:00:05:00 \r\n",
         {}},
        {"UTF-8 names cut at 6 characters",
         logOf({{"Café 東京", "00:00:10:00", "00:00:20:00"},
                {"Café東京", "00:00:30:00", "00:00:35:00"}}),
         ListFormat::Standard,
         "edl.txt",
         head +
             "001  Café 東    AA/V  C        00:00:10:00 00:00:20:00 01:00:00:00 01:00:10:00 \r\n" +
             "002  Café東京    AA/V  C        00:00:30:00 00:00:35:00 01:00:10:00 01:00:15:00 \r\n",
         {}},
        {"drop-frame times written with ';'",
         logOf({{"A", "00:00:10:00", "00:00:20;00"}}),
         ListFormat::Standard,
         "edl.txt",
         "TITLE: edl.txt \r\nREM Made by  KOLB \r\nFCM: DROP FRAME \r\n"
         "001  A        AA/V  C        00:00:10;00 00:00:20;00 01:00:00;00 01:00:10;00 \r\n",
         {},
         timecode::rate30DF},
        {"at 25, ':' before the frames, and frames beyond the rate add no record time",
         logOf({{"A", "00:00:10;00", "00:00:20:00"}, {"B", "00:00:30:00", "00:00:30:25"}}),
         ListFormat::Standard,
         "edl.txt",
         head +
             "001  A        AA/V  C        00:00:10:00 00:00:20:00 01:00:00:00 01:00:10:00 \r\n" +
             "002  B        AA/V  C        00:00:30:00 00:00:30:25 01:00:10:00 01:00:10:00 \r\n",
         {"Event 002: out 00:00:30:25 is not a timecode at the rate 25"},
         timecode::rate25},
        {"CMX 3600 of a log with no tape: the file's name as title, the reel AX; no in: no length "
         "at the out",
         logOf({{"Name01", "00:00:10:00", "00:00:20:00"},
                {"take 2: close-up", "00:01:00:00", "00:01:05:00"},
                {"", "00:02:00:00", "00:02:00:15"},
                {"ABCDEFGHIJ", "00:00:00:00", "00:00:01:00"}}),
         ListFormat::Cmx3600,
         "edl.edl",
         "TITLE: edl.edl\r\nFCM: NON-DROP FRAME\r\n\r\n"
         "001  AX       AA/V  C        00:00:10:00 00:00:20:00 01:00:00:00 01:00:10:00\r\n"
         "* FROM CLIP NAME: Name01\r\n"
         "002  AX       AA/V  C        00:01:00:00 00:01:05:00 01:00:10:00 01:00:15:00\r\n"
         "* FROM CLIP NAME: take 2: close-up\r\n"
         "003  AX       AA/V  C        00:02:00:00 00:02:00:15 01:00:15:00 01:00:15:15\r\n"
         "* FROM CLIP NAME: \r\n"
         "004  AX       AA/V  C        00:00:01:00 00:00:01:00 01:00:15:15 01:00:15:15\r\n"
         "* FROM CLIP NAME: ABCDEFGHIJ\r\n",
         {"Event 004: no in point (CMX 3600 and ALE: 00:00:01:00 to 00:00:01:00, no length)"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(FormatEDL(c.events, c.name, " KOLB", c.layout, c.rate).bytes, c.bytes);
        ASSERT_TRUE(SaveEDL(dir.file(c.name), c.events, c.name, " KOLB", c.layout, {}, c.rate));
        EXPECT_EQ(readFile(dir.file(c.name)), c.bytes);
        keepForReaders(dir.file(c.name), c.what, c.rate, c.layout);
        Lines problems;
        for (const EventProblem& p : CheckEvents(c.events, c.rate)) {
            EXPECT_EQ(p.text.substr(6, 3), EditNumberText(p.number));
            problems.push_back(p.text);
        }
        EXPECT_EQ(problems, c.problems);
    }
    EXPECT_EQ(console.lines, Lines{});
}

// The autosave says a clip's own tape only where it is not the one a load gives by default (the
// log's, for an event that holds anything), its notes and its good-take mark after its event;
// a log of one tape has the bytes it always had.
TEST(AutosaveText, SaysEachClipsOwnTapeNotesAndGoodTakeAfterItsEvent) {
    const std::string header =
        "TITLE: KOLB_Autosave.edl \r\nREM Made by  KOLB \r\nFCM: NON-DROP FRAME \r\n";
    const auto withTapes = [](EventList log, const std::string& tape, const Lines& tapes) {
        log.tape = tape;
        for (std::size_t i = 0; i < tapes.size(); ++i) log.TapeArray[i] = tapes[i];
        return log;
    };
    const struct {
        const char* what;
        EventList log;
        std::string bytes;
    } rows[] = {
        {"one tape, a fresh event in a gap: the tape once, before the events",
         withTapes(logOf({C1,
                          {"Name02", timecode::zero, timecode::zero},
                          {"Interview, take 3", C3.in, C3.out}}),
                   "Reel 7", {"Reel 7", "", "Reel 7"}),
         header + "* TAPE: Reel 7\r\n" + L1 + "\r\n* FROM CLIP NAME: Name01\r\n" +
             "002  Name02    AA/V  C        00:00:00:00 00:00:00:00 01:00:10:00 01:00:10:00 \r\n"
             "* FROM CLIP NAME: Name02\r\n"
             "003  Interv    AA/V  C        00:01:00:00 00:01:30:00 01:00:10:00 01:00:40:00 \r\n"
             "* FROM CLIP NAME: Interview, take 3\r\n"},
        {"a clip's notes and good take; a clip with no tape and one with another",
         [&] {
             EventList log = withTapes(logOf({C1, C2, C3}), "Reel 7", {"Reel 7", "", "B-Roll"});
             log.NotesArray[0] = "Wind, \"rain\"";
             log.GoodArray[0] = true;
             return log;
         }(),
         header + "* TAPE: Reel 7\r\n" + L1 +
             "\r\n* FROM CLIP NAME: Name01\r\n* COMMENT: Wind, \"rain\"\r\n* GOOD TAKE: YES\r\n" +
             L2 + "\r\n* FROM CLIP NAME: Name02\r\n* TAPE: \r\n" + L3 +
             "\r\n* FROM CLIP NAME: Name03\r\n* TAPE: B-Roll\r\n"},
        {"times held with ';' or '.' before the minutes and seconds: ':' there, as a load needs",
         logOf({{"Name01", "00;00;10:00", "00.00.20:00"}}),
         header + L1 + "\r\n* FROM CLIP NAME: Name01\r\n"},
        {"no tape for the log, a clip with one: the log's empty tape is said",
         withTapes(logOf({C1}), "", {"Reel 1"}),
         header + "* TAPE: \r\n" + L1 + "\r\n* FROM CLIP NAME: Name01\r\n* TAPE: Reel 1\r\n"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(AutosaveText(row.log, " KOLB", timecode::rate30), row.bytes) << row.what;
}

TEST(EdlText, AllHundredEventsAreWrittenAndTheReelSetsTheColumns) {
    const Lines lines = linesOf(FormatEDL(timedLog(100), "edl.txt", " KOLB").bytes);
    ASSERT_EQ(lines.size(), 3u + 100u);
    EXPECT_EQ(lines.back(),
              "100  Name00    AA/V  C        00:01:40:00 00:01:41:00 01:01:39:00 01:01:40:00 ");
    const struct {
        std::string name, reel;
        std::size_t inColumn, length;
    } cases[] = {
        {"Take1", "Take1 ", 29, 77},     {"abc", "abc   ", 29, 77},
        {"", "S     ", 29, 77},          {"Name01", "Name01 ", 30, 78},
        {"Clip0001", "Clip00 ", 30, 78}, {"東京", "東京    ", 29, 77},
        {"a\r\nb", "a  b  ", 29, 77},
    };
    for (const auto& c : cases) {
        const EventList one = logOf({{c.name, "00:00:10:00", "00:00:20:00"}});
        const std::string line = linesOf(FormatEDL(one, "edl.txt", " KOLB").bytes).at(3);
        EXPECT_EQ(line.substr(5, c.reel.size() + 3), c.reel + "   ") << c.name;
        // Columns count characters.
        const std::size_t in = line.find("00:00:10:00 ");
        EXPECT_EQ(CharCount(line.substr(0, in)), c.inColumn) << c.name;
        EXPECT_EQ(CharCount(line), c.length) << c.name;
    }
}

TEST_F(EdlSave, AFailedSaveLeavesTheOldFileAndNoTemporaryFile) {
    const auto partThenFull = [calls = 0](int fd, const char* data, std::size_t) mutable -> long {
        if (calls++ == 0) return ::write(fd, data, 20);
        errno = ENOSPC;
        return -1;
    };
    const auto interruptedThenShort = [calls = 0](int fd, const char* data,
                                                  std::size_t size) mutable -> long {
        if (calls++ > 0) return ::write(fd, data, std::min<std::size_t>(size, 7));
        errno = EINTR;
        return -1;
    };
    const struct {
        std::string name;
        EventList events;
        WriteFunction write;
        Lines console;
    } cases[] = {
        {"edl.txt", oneClip, partThenFull, {"FileIOError: No space left on device 1"}},
        {"edl.txt",
         oneClip,
         [](int, const char*, std::size_t) { return 0L; },
         {"FileIOError: Input/output error 1"}},
        {"missing/edl.txt", oneClip, {}, {"FileStreamError: No such file or directory"}},
        {"edl.txt",
         logOf({{"Name01", "0x:00:10:00", "00:00:20:00"}}),
         {},
         {"FileIOError: invalid timecode in event 1"}},
        {"edl.txt",
         logOf({{"A", "00:00:10:00", "00:00:20:00"}, {"B", "00:00:30:00", "00:00:3"}}),
         {},
         {"FileIOError: invalid timecode in event 2"}},
        {"edl.txt", oneClip, interruptedThenShort, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.console.empty() ? "saved" : c.console.front());
        writeFile(dir.file("edl.txt"), "old bytes\n");
        console.lines.clear();
        const FileOutcome saved =
            SaveEDL(dir.file(c.name), c.events, "edl.txt", " KOLB", ListFormat::Standard, c.write);
        EXPECT_EQ(saved.error, c.console.empty() ? "" : c.console.front());
        EXPECT_EQ(console.lines, c.console);
        const std::string bytes = FormatEDL(c.events, "edl.txt", " KOLB").bytes;
        EXPECT_EQ(readFile(dir.file("edl.txt")), c.console.empty() ? bytes : "old bytes\n");
        EXPECT_EQ(dir.names(), Lines{"edl.txt"});
    }
}

TEST_F(EdlSave, AReplacedFileKeepsItsPermissionsAndANewOneIsReadableByAll) {
    const std::string path = dir.file("edl.txt");
    for (const mode_t mode : {0640, 0}) {
        std::filesystem::remove(path);
        if (mode != 0) {
            writeFile(path, "old bytes\n");
            ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        }
        ASSERT_TRUE(SaveEDL(path, oneClip, "edl.txt", " KOLB"));
        EXPECT_EQ(readFile(path), FormatEDL(oneClip, "edl.txt", " KOLB").bytes);
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode != 0 ? mode : 0644u) << std::oct << mode;
    }
}
