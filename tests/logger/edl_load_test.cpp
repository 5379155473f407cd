// Reading EDL files back into the log: which lines become events, what is skipped, what the
// console shows, and that a load gives a fresh log with the events read.
#include "EdlFile.h"
#include "LoggerTesting.h"

#include <gmock/gmock.h>

#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

using ::testing::StartsWith;

namespace {

// A log that already held five events of its own.
const EventList held = timedLog(5);

// A list of exactly the largest size read: one event, then short lines that are not events.
std::string sixteenMiB() {
    std::string bytes = head + L1 + "\r\n";
    const std::string filler = std::string(58, '*') + "\r\n";
    while (bytes.size() + filler.size() <= maxEdlBytes) bytes += filler;
    return bytes.append(maxEdlBytes - bytes.size(), '*');
}

// An event line of the logger's layout with the times of L1 (number 1) or L2 (number 2).
std::string lineNamed(int number, const std::string& name) {
    return "00" + std::to_string(number) + "  " + name + (number == 1 ? L1 : L2).substr(11);
}

// A hundred clips, one a second.
std::vector<Clip> hundredClips() {
    std::vector<Clip> clips;
    for (int i = 0; i < EventList::size; ++i)
        clips.push_back({"Take " + std::to_string(i + 1), timecode::TimeText(30 * (i + 1)),
                         timecode::TimeText(30 * (i + 2))});
    return clips;
}

// The clips of a list without a REM line (not the logger's own layout): each has its reel, here
// its name, as its tape.
std::vector<Clip> reels(std::vector<Clip> clips) {
    for (Clip& clip : clips) clip.tape = clip.name;
    return clips;
}

using EdlFiles = LoggerFiles;

} // namespace

TEST_F(EdlFiles, SavedListsComeBackWhole) {
    const std::string zero = timecode::zero;
    const std::string dropZero = "00:00:00;00";
    const struct {
        ListFormat layout;
        std::vector<Clip> clips;
        int next; // the first event without an out point
        bool autosave = false;
        std::string tape = {};
        timecode::Rate rate = timecode::rate30;
        void (*more)(EventList&) = nullptr; // the clips' tapes, notes and good takes
    } cases[] = {
        {ListFormat::Standard,
         {{"Alpha1", "00:00:10:00", "00:00:20:00"},
          {"Bravo2", "00:01:00:00", "00:01:05:15"},
          {"Charl3", "23:59:59:00", "23:59:59:29"}},
         3},
        {ListFormat::Cmx3600,
         {{"Opening shot, take 2", "00:00:10:00", "00:00:20:00"},
          {"", "00:01:00:00", "00:01:05:15"},
          {"Interview: camera B", "23:59:59:00", "23:59:59:29"}},
         3},
        // The autosave: every event up to the last one touched, whole names, the tape.
        {ListFormat::Standard,
         {{"Interview mit dem Hafenmeister — 東京, Kamera B " + std::string(200, 'x'),
           "00:00:10:00", "00:00:20:00"},
          {"Only an in", "00:02:00:00", zero},
          {"Name03", zero, zero},
          {"Close-up", "00:03:00:00", "00:03:04:00"},
          {"Named later", zero, zero}},
         1,
         true,
         "Bänd 7: 東京 Süd"},
        {ListFormat::Standard,
         {{"Drop", "00:00:59;28", "00:01:00;02"},
          {"Typed with a colon", "00:10:00:00", "00:10:01:00"}},
         2,
         true,
         "",
         timecode::rate30DF},
        {ListFormat::Standard, {{"Name01", zero, zero}}, 0, true, "", timecode::rate25},
        // Each clip's own tape (none, for one logged before the log had a tape), notes that
        // start with a blank, good takes, an event with only notes, fresh events with no tape and
        // with one.
        {ListFormat::Standard,
         {{"Harbour, \"east\" pier", "00:00:10:00", "00:00:20:00"},
          {"Name02", zero, zero},
          {"Café 東京", "00:01:00:00", "00:01:05:00"},
          {"Name04", zero, zero},
          {"Close up", "00:02:00:00", "00:02:03:00"},
          {"Name06", zero, zero},
          {"Über die Brücke", "00:03:00:00", "00:03:01:00"}},
         1,
         true,
         "Tape C",
         timecode::rate30,
         [](EventList& log) {
             log.TapeArray = {"Tape A", "", "", "Tape C", "Interview Day 1", "Tape C", "Tape C"};
             log.NotesArray[0] = " Wide, \"golden\" light — café";
             log.NotesArray[3] = "Only notes";
             log.NotesArray[4] = "Soft focus; retake";
             log.GoodArray[0] = log.GoodArray[4] = true;
         }},
        // No tape for the log, the last clip with one.
        {ListFormat::Standard,
         {C1, C2},
         2,
         true,
         "",
         timecode::rate30,
         [](EventList& log) { log.TapeArray[1] = "Reel 1"; }},
        // The hundredth clip's comments.
        {ListFormat::Standard, hundredClips(), EventList::size, true, "", timecode::rate30,
         [](EventList& log) {
             log.TapeArray[99] = "Last reel";
             log.NotesArray[99] = "the last";
             log.GoodArray[99] = true;
         }},
        // Names read by their columns, blanks inside kept; a drop-frame zero out is no out.
        {ListFormat::Standard,
         {{"Only c", "00:00:10;00", "00:00:20;00"},
          {"He sai", "00:00:30;00", "00:00:31;00"},
          {"      ", "00:01:00;02", dropZero}},
         2,
         false,
         "",
         timecode::rate30DF},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.clips.front().name);
        EventList log = logOf(c.clips);
        log.tape = c.tape;
        if (c.more) c.more(log);
        const std::string path = dir.file("list.edl");
        if (c.autosave)
            ASSERT_TRUE(WriteFileAtomically(path, AutosaveText(log, " KOLB", c.rate)));
        else
            ASSERT_TRUE(SaveEDL(path, log, "list.edl", " KOLB", c.layout, {}, c.rate));
        keepForReaders(path, c.clips.front().name, c.rate,
                       c.autosave ? ListFormat::Standard : c.layout);
        console.lines.clear();
        const EdlLoad load = LoadEDL(path, false, c.rate);
        EXPECT_TRUE(load.ok);
        EXPECT_EQ(load.read.stored, static_cast<int>(c.clips.size()));
        EXPECT_EQ(load.events, log);
        EXPECT_EQ(load.read.rate, c.rate);
        EXPECT_EQ(load.events.firstWithoutOut(), c.next);
        EXPECT_EQ(console.lines, (Lines{" ", " "}));
    }
}

TEST_F(EdlFiles, ReadsEventLinesAndSkipsWhatHasNoTimes) {
    const std::string comment = "* FROM CLIP NAME: Interview with the harbour master, camera B";
    const std::string tooShort = "002  Name02" + std::string(39, ' ') + "00:00:30:00 00:00";
    const std::string earlyColon =
        "002  Ab:cd    AA/V  C        00:00:30:00 00:00:35:00 01:00:10:00 01:00:15:00";
    const struct {
        const char* what;
        std::string bytes;
        std::vector<Clip> read;
        std::string said = {}; // the console line between the two blanks
        timecode::Rate inUse = timecode::rate30, rate = timecode::rate30;
    } cases[] = {
        {"CR LF", head + L1 + "\r\n" + L2 + "\r\n" + L3 + "\r\n", {C1, C2, C3}},
        {"LF", "TITLE: edl.txt\n" + L1 + "\n" + L2 + "\n" + L3, reels({C1, C2, C3})},
        {"CR", "TITLE: edl.txt\r" + L1 + "\r" + L2 + "\r" + L3 + "\r", reels({C1, C2, C3})},
        {"first colon before column 20",
         head + L1 + "\r\n" + earlyColon + "\r\n" + L3,
         {C1, C3},
         "Skipped EDL line 5: no source times"},
        {"time part too short",
         head + L1 + "\r\n" + tooShort + "\r\n" + L3 + "\r\n",
         {C1, C3},
         "Skipped EDL line 5: no source times"},
        {"name comments",
         head + comment + " 00:00:01:00\r\n" + L1 + "\r\n" + comment + "\r\n" +
             "* FROM CLIP NAME: a second comment names nothing\r\n" + L2,
         {{comment.substr(18), C1.in, C1.out}, C2}},
        {"a later long TITLE line",
         head + "TITLE: second title, written by another system at 00:00:10:00\r\n" + L1,
         {C1}},
        {"a long first line is an event once its T is taken", "T" + L1 + "\r\n" + L2,
         reels({C1, C2})},
        {"a long file name on the title line; with no REM line, the reel is the tape",
         "TITLE: " + std::string(60, 'n') + ".edl \r\n" + L1 + "\r\n", reels({C1})},
        {"Latin-1 and UTF-8 names",
         head + lineNamed(1, "Caf\xe9") + "\r\n" + lineNamed(2, "東京") + "\r\n" +
             "* FROM CLIP NAME: Caf\xe9 \xe0 Paris — 東京\r\n",
         {{"Café", C1.in, C1.out}, {"Café à Paris — 東京", C2.in, C2.out}}},
        {"CMX from another system: a mark, blank lines, ';' and no FCM line, any blanks in names",
         "\xEF\xBB\xBF\r\n\r\nTITLE: Sequence 1\r\n\r\n"
         "001  AX       AA/V  C        00:00:10;00 00:00:20;00 01:00:00;00 01:00:10;00\r\n"
         "* FROM CLIP NAME:Interview\r\n\r\n"
         "002  AX       AA/V  C        00:01:00;02 00:01:05;15 01:00:10;00 01:00:15;13\r\n"
         "* FROM CLIP NAME:   Harbour, camera B\r\n",
         {{"Interview", "00:00:10;00", "00:00:20;00"},
          {"Harbour, camera B", "00:01:00;02", "00:01:05;15"}},
         "",
         timecode::rate30,
         timecode::rate30DF},
        {"an FCM line says the rate", head + L1, {C1}, "", timecode::rate30DF, timecode::rate30},
        {"frames beyond the rate at 25",
         head + L1 + "\r\n" + L2.substr(0, 51) + "25" + L2.substr(53) + "\r\n" + L3,
         {C1, C3},
         "Skipped EDL line 5: source times 00:00:30:00 00:00:35:25 are not timecode at the rate 25",
         timecode::rate25,
         timecode::rate25},
        {"a line cut at 4096 characters",
         head + L1 + "\r\n" + L2 + std::string(5000, 'x') + "\r\n" + L3,
         {C1, C2, C3},
         "EDL line 5 is longer than 4096 characters: the rest of it was not read"},
        {"exactly 16 MiB", sixteenMiB(), {C1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        writeFile(dir.file("in.edl"), c.bytes);
        console.lines.clear();
        const EdlLoad load = LoadEDL(dir.file("in.edl"), false, c.inUse);
        EXPECT_TRUE(load.ok);
        EXPECT_EQ(load.read.stored, static_cast<int>(c.read.size()));
        // Events past the last one read are a fresh log's, not what the log held before.
        EventList read = logOf(c.read);
        read.tape = c.read.back().tape; // the last event's
        EXPECT_EQ(load.events, read);
        EXPECT_EQ(load.read.rate, c.rate);
        const Lines said = c.said.empty() ? Lines{" ", " "} : Lines{" ", c.said, " "};
        EXPECT_EQ(console.lines, said);
    }
}

// Other systems' lists: which event lines are clips, with which names and tapes, which are passed
// over on purpose, and which are skipped. Each list is read into a log that held events of its
// own: the events past the last clip keep them.
TEST(EdlRead, OtherSystemsListsGiveTheirClipsAndPassOverTheRest) {
    const std::string head = "TITLE: Reel 3\r\nFCM: NON-DROP FRAME\r\n";
    const struct {
        const char* what;
        std::string list;
        std::vector<Clip> clips;
        int passedOver = 0;
        std::vector<SkippedLine> skips = {};
        EdlRead::Outcome outcome = EdlRead::Outcome::Read;
    } rows[] = {
        {"a reel BL with a source time of its own is a tape of that name, as KOLB's lists wrote "
         "it; a TO CLIP NAME on a cut names no later clip; another tool's REM Made by line",
         head + "REM Made by Conform Tool 2.1\r\n"
                "001  BL       AA/V  C        01:00:00:00 01:00:05:00 01:00:00:00 01:00:05:00\r\n"
                "* FROM CLIP NAME: Take 1\r\n* TO CLIP NAME: Take 2\r\n"
                "002  A002     V     K    000 06:00:00:00 06:00:05:00 01:00:05:00 01:00:10:00\r\n"
                "* FROM CLIP NAME: Title key\r\n",
         {{"Take 1", "01:00:00:00", "01:00:05:00", "BL"},
          {"Title key", "06:00:00:00", "06:00:05:00", "A002"}}},
        {"Avid: 6 digits, 32-wide reels, a name after other comments",
         head +
             "000001  B_0031C010_241010_133208_h1C2T   V     C        13:30:27:13 13:30:29:01 "
             "02:13:08:12 02:13:10:00 \r\n"
             "*VFX  117_GUD_0030 ADD NORWAY LANDSCAPE \r\n*FROM CLIP NAME:  117C-3-B \r\n"
             "*LOC: 02:13:08:12 Green   Sc 117 INTERCUT \r\n"
             "*ASC_SOP (0.9405 0.9439 0.9424)(-0.0500 -0.0276 -0.0144)(0.8888 0.9138 0.9896) \r\n"
             "*ASC_SAT 0.9640\r\n"
             "000002  A_0038C002                       V     C        12:41:35:05 12:41:41:11 "
             "02:13:10:00 02:13:16:06 \r\n"
             "*FROM CLIP NAME:  117A-2-A \r\n*FROM CLIP: S:\\117A-2-A.0001.exr\r\n",
         {{"117C-3-B", "13:30:27:13", "13:30:29:01", "B_0031C010_241010_133208_h1C2T"},
          {"117A-2-A", "12:41:35:05", "12:41:41:11", "A_0038C002"}}},
        {"a dissolve: its outgoing side of no length is no clip, TO CLIP NAME names the incoming "
         "one; an FCM line between them",
         head + "001  TST V     C        01:00:04:05 01:00:04:14 01:00:00:00 01:00:00:09 \r\n"
                "* FROM CLIP NAME:  clip_A\r\n"
                "002  TST V     C        01:00:04:14 01:00:04:14 01:00:00:09 01:00:00:09 \r\n"
                "FCM: NON-DROP FRAME\r\n"
                "002  TST V     D    010 01:00:08:08 01:00:08:18 01:00:00:09 01:00:00:19 \r\n"
                "* BLEND, DISSOLVE \r\n* FROM CLIP NAME:  clip_A\r\n* TO CLIP NAME:  clip_B\r\n",
         {{"clip_A", "01:00:04:05", "01:00:04:14", "TST"},
          {"clip_B", "01:00:08:08", "01:00:08:18", "TST"}},
         1},
        {"wipes from clips that have a length: they are clips, named by FROM CLIP NAME after the "
         "incoming side, as the incoming side is but for black",
         head +
             "001  A1       V     C        01:00:00:00 01:00:02:00 00:00:00:00 00:00:02:00\r\n"
             "001  B2       V     W001    024 02:00:00:00 02:00:03:00 00:00:02:00 00:00:05:00\r\n"
             "* FROM CLIP NAME: Harbour\r\n* TO CLIP NAME: Beach\r\n"
             "002  C3       V     C        03:00:00:00 03:00:02:00 00:00:05:00 00:00:07:00\r\n"
             "002  BL       V     W001    024 00:00:00:00 00:00:01:00 00:00:07:00 00:00:08:00\r\n"
             "* FROM CLIP NAME: Gull\r\n* TO CLIP NAME: BL\r\n",
         {{"Harbour", "01:00:00:00", "01:00:02:00", "A1"},
          {"Beach", "02:00:00:00", "02:00:03:00", "B2"},
          {"Gull", "03:00:00:00", "03:00:02:00", "C3"}},
         1},
        {"TO CLIP NAME said after the outgoing side names the incoming one",
         head +
             "001  A1       V     C        01:00:02:00 01:00:02:00 00:00:00:00 00:00:00:00\r\n"
             "* FROM CLIP NAME: Harbour\r\n* TO CLIP NAME: Beach\r\n"
             "001  B2       V     K B     030 02:00:00:00 02:00:03:00 00:00:00:00 00:00:03:00\r\n",
         {{"Beach", "02:00:00:00", "02:00:03:00", "B2"}},
         1},
        {"a wipe to black, black, and BL in the padding: no clips, and the events they would "
         "have been keep what they held",
         head + "001  AX       V     C        00:00:10:00 00:00:20:00 00:00:00:00 00:00:10:00\r\n"
                "* FROM CLIP NAME: Gull\r\n"
                "002  AX       V     C        00:00:20:00 00:00:20:00 00:00:10:00 00:00:10:00\r\n"
                "002  BL       V     W000 025 00:00:00:00 00:00:10:20 00:00:10:00 00:00:20:20\r\n"
                "* TO CLIP NAME: BL\r\n* COMMENT: of black\r\n"
                "003  BLACK    V     C        00:00:00:00 00:00:01:00 00:00:20:20 00:00:21:20\r\n"
                "004     BL    A12   C        00:00:00:00 00:00:01:00 00:00:21:20 00:00:22:20\r\n",
         {{"Gull", "00:00:10:00", "00:00:20:00"}},
         4},
        {"sound with no source timecode is no clip; an audio-only clip is; a clip of no times "
         "and no record length is an event as KOLB writes it",
         head + "001  TC_R1_V6 A     C        00:00:00:00 00:00:00:00 01:00:00:00 01:04:24:06 \r\n"
                "* FROM CLIP NAME:  TC R1 V6 TEMP2 M DX.WAV \r\n"
                "* SOURCE FILE: TC R1 V6 TEMP2 M DX.WAV\r\n"
                "002  SR018    A2    C        19:11:54:10 19:11:58:18 01:04:24:06 01:04:28:14 \r\n"
                "* FROM CLIP NAME:  1-2B \r\n"
                "003  AX       AA/V  C        00:00:00:00 00:00:00:00 01:04:28:14 01:04:28:14\r\n"
                "* FROM CLIP NAME: Name03\r\n",
         {{"1-2B", "19:11:54:10", "19:11:58:18", "SR018"},
          {"Name03", timecode::zero, timecode::zero}},
         1},
        {"speed, sound, effect and remark lines name no clip and are not skipped; a clip's "
         "source range is its event line's",
         head + "001  Z686_5A. V     C        01:00:06:00 01:00:08:22 01:11:31:16 01:11:33:04 \r\n"
                "M2   Z686_5A.       047.6                01:00:06:00 \r\n"
                "* FROM CLIP NAME:  Z686_5A (LAY2) (47.56 FPS)\r\nAUD  3    4\r\n"
                "EFFECTS NAME IS CROSS DISSOLVE\r\n"
                "*FRMC START: 1001    FRMC END: 1102    FRMC DURATION:102 \r\n"
                "REM 002 was dropped from this reel at 01:11:33:04, see the notes of 17 May\r\n"
                "002  B7       V     C        00:00:10:00 00:00:20:00 01:11:33:04 01:11:43:04\r\n"
                "*FROM CLIP NAME: Ferry\r\n",
         {{"Z686_5A (LAY2) (47.56 FPS)", "01:00:06:00", "01:00:08:22", "Z686_5A."},
          {"Ferry", "00:00:10:00", "00:00:20:00", "B7"}}},
        {"event lines that cannot be read, or whose times are not timecode at the rate, are "
         "skipped; the comments after them are of no clip",
         head + "001  AX       V     C        00:00:10:00 00:00:20:00 01:00:00:00 01:00:10:00\r\n"
                "002  AX       V     C        00:00:30:00 00:00:35:45 01:00:10:00 01:00:15:00\r\n"
                "* COMMENT: of a skipped line\r\n"
                "003  AX       V     X        00:00:30:00 00:00:35:00 01:00:10:00 01:00:15:00\r\n",
         {{"AX", "00:00:10:00", "00:00:20:00"}},
         0,
         {{4, "source times 00:00:30:00 00:00:35:45 are not timecode at the rate 30"},
          {6, "no event: its number, reel, channels, transition or times cannot be read"}}},
        {"no title: a list that starts with its first event line",
         "001  B7       A     C        00:00:10:00 00:00:20:00 01:00:00:00 01:00:10:00\r\n"
         "* FROM CLIP NAME: Gull\r\n",
         {{"Gull", "00:00:10:00", "00:00:20:00", "B7"}}},
        {"no title: a list that starts with its FCM line, after a blank line",
         "\r\nFCM: NON-DROP FRAME\r\n"
         "001  B7       A     C        00:00:10:00 00:00:20:00 01:00:00:00 01:00:10:00\r\n",
         {{"B7", "00:00:10:00", "00:00:20:00", "B7"}}},
        {"no title and no event line: no list",
         "FCM: NON-DROP FRAME\r\nDear editor, the reel you asked for is on its way.\r\n",
         {},
         0,
         {},
         EdlRead::Outcome::NotAnEdl},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Console console;
        TextSource source(row.list);
        EventList events = held;
        const EdlRead read = ReadEDL(source, events, false, timecode::rate30);
        EXPECT_EQ(read.outcome, row.outcome);
        EXPECT_EQ(read.stored, static_cast<int>(row.clips.size()));
        EventList expected = logOf(row.clips, held);
        if (!row.clips.empty()) expected.tape = row.clips.back().tape;
        EXPECT_EQ(events, expected);
        EXPECT_EQ(read.passedOver, row.passedOver);
        EXPECT_EQ(read.skips, row.skips);
        EXPECT_EQ(read.skipped, static_cast<int>(read.skips.size()));
    }
}

TEST_F(EdlFiles, VerboseEchoesTheLinesAndTheTimesRead) {
    writeFile(dir.file("in.edl"), "TITLE: edl.txt\r\nabcde\r\nabcdef\r\n" + L1 + "\r\n");
    EXPECT_TRUE(LoadEDL(dir.file("in.edl"), true, timecode::rate30).ok);
    EXPECT_EQ(console.lines,
              (Lines{" ", "ITLE: edl.txt", "abcdef", L1, "00:00:10:00 00:00:20:00", " "}));
}

TEST_F(EdlFiles, AFileNotStartingWithTLoadsNothing) {
    writeFile(dir.file("in.edl"), "title: t.txt\r\n" + L1 + "\r\n");
    const EdlLoad load = LoadEDL(dir.file("in.edl"), true, timecode::rate30);
    EXPECT_EQ(load.events, EventList::initial());
    EXPECT_EQ(console.lines, (Lines{" ", load.error, " "}));
    // Nothing was read, so the log must not count as loaded from this file.
    EXPECT_FALSE(load.ok);
    EXPECT_THAT(load.error, StartsWith("No events found in the file: it is not an EDL"));
}

TEST_F(EdlFiles, WhatCannotBeReadIsReportedAndChangesNothing) {
    writeFile(dir.file("empty.edl"), "");
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    writeFile(dir.file("big.edl"), sixteenMiB() + "*");
    // 2 GB that read one byte at a time would hold the window for a long while: refused unread.
    writeFile(dir.file("sparse.edl"), head + L1 + "\r\n");
    const int sparse = ::open(dir.file("sparse.edl").c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_EQ(::ftruncate(sparse, 2LL << 30), 0);
    ::close(sparse);
    const std::string tooLarge =
        "The file is larger than 16 MB: it is not an EDL. Choose a list saved by a logger";
    const struct {
        std::string path, error;
    } cases[] = {
        {dir.file("empty.edl"), "FileIOError: End of file reached 1"},
        {dir.file("none.edl"), "FileStreamError: No such file or directory"},
        {dir.path.string(), "FileStreamError: Is a directory"},
        {dir.file("fifo"), "FileStreamError: Not a regular file"},
        {dir.file("big.edl"), tooLarge},
        {dir.file("sparse.edl"), tooLarge},
    };
    for (const auto& c : cases) {
        console.lines.clear();
        // A FIFO without a writer must not hold the load up.
        auto load =
            std::async(std::launch::async, [&] { return LoadEDL(c.path, true, timecode::rate30); });
        if (load.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
            ::close(::open(c.path.c_str(), O_WRONLY | O_NONBLOCK)); // lets a waiting open go on
            load.wait();
            ADD_FAILURE() << c.path << " waits";
        }
        const EdlLoad loaded = load.get();
        EXPECT_FALSE(loaded.ok) << c.path;
        EXPECT_EQ(loaded.error, c.error);
        EXPECT_EQ(loaded.events, EventList::initial()) << c.path;
        EXPECT_EQ(console.lines, (Lines{" ", c.error, " "}));
    }
}

TEST(EdlRead, AtMostAHundredEventsAreStored) {
    const EventList all = timedLog(EventList::size);
    const std::string text = FormatEDL(all, "many", " KOLB").bytes + L1 + "\r\n" + L2 + "\r\n";
    TextSource source(text); // reads the text where it lies
    EventList events = held;
    EXPECT_EQ(ReadEDL(source, events, false, timecode::rate30).stored, 100);
    EXPECT_EQ(events, all);
}

TEST_F(EdlFiles, AColonInANameDoesNotLoseItsEventInTheLoggersOwnLayout) {
    const EventList log = logOf({C1, {"In:t1", "00:00:30:00", "00:00:35:00"}, C3});
    ASSERT_TRUE(SaveEDL(dir.file("list.edl"), log, "list.edl", " KOLB"));
    const EdlLoad load = LoadEDL(dir.file("list.edl"), false, timecode::rate30);
    EXPECT_EQ(load.read.stored, 3);
    EXPECT_EQ(load.read.skipped, 0);
    EXPECT_EQ(load.events, logOf({C1, {"In_t1", "00:00:30:00", "00:00:35:00"}, C3}));
}

TEST(EdlRead, EventsPastTheHundredthAreSaidToBeLeftOutOnce) {
    const EventList all = timedLog(EventList::size);
    const std::string hundred = FormatEDL(all, "many", " KOLB").bytes;
    const std::string cmx = FormatEDL(all, "many", " KOLB", ListFormat::Cmx3600).bytes;
    const std::string black =
        "101  BL       V     C        00:00:00:00 00:00:01:00 01:00:00:00 01:00:01:00\r\n";
    // The hundredth clip without an out: a cut of no length, the outgoing side of a dissolve.
    EventList open = all;
    open.SrcOutArray[99] = timecode::zero;
    const std::string dissolve =
        FormatEDL(open, "many", " KOLB", ListFormat::Cmx3600).bytes +
        "100  B7       V     D    030 00:10:00:00 00:10:05:00 01:00:00:00 01:00:05:00\r\n";
    const struct {
        const char* what;
        std::string text;
        bool said;
    } cases[] = {
        {"exactly a hundred", hundred, false},
        {"a line without times after them", hundred + std::string(70, 'x') + "\r\n", false},
        {"two more events", hundred + L1 + "\r\n" + L2 + "\r\n", true},
        {"a CMX list of a hundred clips, then black", cmx + black, false},
        {"a CMX list of a hundred clips, black, then a clip", cmx + black + L1 + "\r\n", true},
        {"a CMX list whose hundredth clip is the outgoing side of a dissolve: its incoming side "
         "takes its place",
         dissolve, false},
    };
    for (const auto& c : cases) {
        Console console;
        TextSource source(c.text);
        EventList events = EventList::initial();
        const EdlRead read = ReadEDL(source, events, false, timecode::rate30);
        EXPECT_EQ(read.stored, 100) << c.what;
        EXPECT_EQ(read.more, c.said) << c.what;
        const Lines expected =
            c.said ? Lines{"EDL has more than 100 events: the rest were not loaded"} : Lines{};
        EXPECT_EQ(console.lines, expected) << c.what;
    }
}

TEST(EdlRead, ThousandsOfLinesWithoutTimesAreCountedNotEachReported) {
    const std::string noTimes = "002  Name02" + std::string(60, ' ') + "no times here";
    std::string text = head;
    for (int i = 0; i < 100000; ++i) text += noTimes + "\r\n";
    text += L1 + "\r\n";
    Console console;
    TextSource source(text);
    EventList events = EventList::initial();
    const EdlRead read = ReadEDL(source, events, false, timecode::rate30);
    EXPECT_EQ(read.stored, 1);
    EXPECT_EQ(read.skipped, 100000);
    ASSERT_EQ(read.skips.size(), 100000u);
    EXPECT_EQ(read.skips.front(), (SkippedLine{4, "no source times"}));
    EXPECT_EQ(read.skips.back(), (SkippedLine{100003, "no source times"}));
    ASSERT_EQ(console.lines.size(), static_cast<std::size_t>(maxSkipReports) + 1);
    EXPECT_EQ(console.lines.front(), "Skipped EDL line 4: no source times");
    EXPECT_EQ(console.lines[maxSkipReports - 1], "Skipped EDL line 13: no source times");
    EXPECT_EQ(console.lines.back(), "Skipped 100000 EDL lines with no source times in all");
}

TEST(EdlRead, SourceTimesAreFoundFromTheFirstColon) {
    const std::string pad(18, ' ');
    using Times = std::optional<std::pair<std::string, std::string>>;
    const Times tenTwenty = std::pair{"00:00:10:00", "00:00:20:00"};
    const struct {
        std::string line;
        Times times;
    } cases[] = {
        {L1, tenTwenty},
        {pad + "00:00:10:00 00:00:20:00", tenTwenty},
        {pad + "00:00:10:00  00:00:20:00", tenTwenty},
        {pad + "00:00:10:00 00:00:20:0", std::nullopt},
        {pad.substr(1) + "00:00:10:00 00:00:20:00", std::nullopt},
        {pad + "0x:00:10:00 00:00:20:00", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto t = getsourcetime(c.line);
        EXPECT_EQ(t ? Times(std::pair(t->timestring1, t->timestring2)) : std::nullopt, c.times)
            << "[" << c.line << "]";
    }
}
