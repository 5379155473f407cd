// The lists editing systems import, CMX 3600, Avid ALE and CSV: each written byte for byte at 30,
// 25 and 30DF with a long tape name and awkward names, read back whole by Load EDL, and lists
// written by other tools read correctly: every column name they go by, quotes inside unquoted
// CSV fields, Latin-1 bytes, ';' and tabs between fields, the rates they say. The CMX reel a tape
// name gives.
#include "AleReader.h"
#include "CmxWriter.h"
#include "CsvReader.h"
#include "EdlFile.h"
#include "LoggerTesting.h"

namespace {

// The log's tape, and each clip's (as a clip takes the log's tape when it is logged).
EventList withTape(EventList log, const std::string& tape, std::size_t clips) {
    log.tape = tape;
    for (std::size_t i = 0; i < clips; ++i) log.TapeArray[i] = tape;
    return log;
}

// Three events with blanks, commas, quotes, a tab and non-ASCII letters in their names, at the
// rate's separator; the last one crosses a minute (two numbers dropped at 30DF).
// In an ALE the tab comes back as a blank.
EventList awkward(const std::string& tape, const std::string& sep = ":",
                  const std::string& tab = "\t") {
    EventList log =
        logOf({{"Harbour, \"east\" pier", "00:00:10" + sep + "00", "00:00:20" + sep + "00"},
               {"Café" + tab + "東京 take 2", "00:01:00" + sep + "02", "00:01:05" + sep + "15"},
               {"Close up", "00:00:59" + sep + "20", "00:01:00" + sep + "04"}});
    return withTape(log, tape, 3);
}

EventList tapeLog(const std::string& tape, const std::vector<Clip>& clips) {
    return withTape(logOf(clips), tape, clips.size());
}

// Four clips of three tapes (one longer than a reel, one the reel holds whole), with notes that
// hold accents, commas and quotes, two of them good takes; the log's tape is the last clip's.
EventList threeTapes() {
    EventList log = logOf({{"Harbour, \"east\" pier", "00:00:10:00", "00:00:20:00"},
                           {"Café 東京 take 2", "00:01:00:02", "00:01:05:15"},
                           {"Über die Brücke", "00:02:00:00", "00:02:03:00"},
                           {"Close up", "00:00:59:20", "00:01:00:04"}});
    const char* tapes[] = {"Tape A", "B-Roll_2", "Interview Day 1", "Tape A"};
    const char* notes[] = {"Wide, \"golden\" light — café", "", "Soft focus; retake",
                           "Élan, \"vital\""};
    for (int i = 0; i < 4; ++i) {
        log.TapeArray[i] = tapes[i];
        log.NotesArray[i] = notes[i];
        log.GoodArray[i] = i % 2 == 0;
    }
    log.tape = "Tape A";
    return log;
}

// Clips of one reel with two tapes, then of the reel AX with the tape AX and with none.
EventList sameReels() {
    EventList log = logOf({C1, C2, C3, {"Name04", "00:02:00:00", "00:02:01:00"}});
    const char* tapes[] = {"Interview Day 1", "Intervie", "AX", ""};
    for (int i = 0; i < 4; ++i) log.TapeArray[i] = tapes[i];
    return log;
}

const std::string aleNtsc = "Heading\r\nFIELD_DELIM\tTABS\r\nVIDEO_FORMAT\tNTSC\r\n"
                            "AUDIO_FORMAT\t48khz\r\nFPS\t29.97\r\n\r\nColumn\r\n"
                            "Name\tTape\tStart\tEnd\tDuration\tTracks\tComments\tGood\r\n\r\n"
                            "Data\r\n";
const std::string csvHeader = "Event,Name,Tape,In,Out,Duration,Rate,Notes,Good\r\n";

// One row of a table: a log saved in a format (bytes written), or a file written by another
// tool (written empty); either is then loaded.
struct Row {
    const char* what;
    EventList log; // what is saved; nothing saved when written is given
    timecode::Rate rate;
    std::string bytes; // the file
    EventList loaded;  // what Load EDL gives back
    bool written = false;
    std::optional<int> recordStart = std::nullopt;
    Lines said = {};                     // the console lines between the load's two blanks
    std::vector<SkippedLine> skips = {}; // the rows skipped, as the read keeps them
    bool more = false;                   // rows past the 100th
    std::string otherRate = {};
};

class ListFormats : public LoggerFiles {
protected:
    void check(ListFormat format, const Row& row, timecode::Rate inUse = timecode::rate30) {
        SCOPED_TRACE(row.what);
        const std::string path = dir.file("list");
        if (row.written) {
            writeFile(path, row.bytes);
        } else {
            ASSERT_TRUE(
                SaveEDL(path, row.log, "list.edl", " KOLB", format, {}, row.rate, row.recordStart));
            EXPECT_EQ(readFile(path), row.bytes);
            keepForReaders(path, row.what, row.rate, format);
        }
        console.lines.clear();
        const EdlLoad load = LoadEDL(path, false, inUse);
        EXPECT_TRUE(load.ok) << load.error;
        EXPECT_EQ(load.events, row.loaded);
        EXPECT_EQ(load.read.rate, row.rate);
        Lines said{" "};
        said.insert(said.end(), row.said.begin(), row.said.end());
        said.push_back(" ");
        EXPECT_EQ(console.lines, said);
        EXPECT_EQ(load.read.skips, row.skips);
        EXPECT_EQ(load.read.skipped, static_cast<int>(row.skips.size()));
        EXPECT_EQ(load.read.more, row.more);
        EXPECT_EQ(load.read.otherRate, row.otherRate);
        // What was loaded saves back to the same bytes.
        if (row.written) return;
        const EdlText again =
            FormatEDL(load.events, "list.edl", " KOLB", format, load.read.rate, row.recordStart);
        EXPECT_EQ(again.bytes, row.bytes);
    }
};

// Eleven rows without times, then 101 clips: every row skipped is kept, the first ten are said.
Row skipsAndMore() {
    Row row{"eleven rows without times, then 101 clips",
            {},
            timecode::rate30,
            "In,Out,Name\n",
            timedLog(EventList::size),
            true};
    const std::string why = "in x and out y are not timecode at the rate 30";
    for (int line = 2; line <= maxSkipReports + 2; ++line) {
        row.bytes += "x,y,Bad\n";
        row.skips.push_back({line, why});
        if (line <= maxSkipReports + 1)
            row.said.push_back("Skipped CSV line " + std::to_string(line) + ": " + why);
    }
    for (int i = 0; i <= EventList::size; ++i)
        row.bytes += timecode::TimeText(30 * (i + 1)) + "," + timecode::TimeText(30 * (i + 2)) +
                     "," + (i < EventList::size ? row.loaded.ClipNameArray[i] : "") + "\n";
    row.said.push_back("CSV has more than 100 events: the rest were not loaded");
    row.said.push_back("Skipped 11 CSV lines in all");
    row.more = true;
    return row;
}

} // namespace

TEST_F(ListFormats, Cmx3600HasTheTapeAsReelAndEveryNameWhole) {
    const Row rows[] = {
        {"30, a 12-character tape like a CSV header, record times from 10:00:00:00",
         awkward("Day 2,In,Out"), timecode::rate30,
         "TITLE: Day 2,In,Out\r\nFCM: NON-DROP FRAME\r\n\r\n"
         "001  Day_2_In AA/V  C        00:00:10:00 00:00:20:00 10:00:00:00 10:00:10:00\r\n"
         "* FROM CLIP NAME: Harbour, \"east\" pier\r\n* TAPE: Day 2,In,Out\r\n"
         "002  Day_2_In AA/V  C        00:01:00:02 00:01:05:15 10:00:10:00 10:00:15:13\r\n"
         "* FROM CLIP NAME: Café\t東京 take 2\r\n* TAPE: Day 2,In,Out\r\n"
         "003  Day_2_In AA/V  C        00:00:59:20 00:01:00:04 10:00:15:13 10:00:15:27\r\n"
         "* FROM CLIP NAME: Close up\r\n* TAPE: Day 2,In,Out\r\n",
         awkward("Day 2,In,Out"), false, 10 * 3600 * 30},
        {"25, non-ASCII letters in the tape", awkward("Bänd 7 Süd 1"), timecode::rate25,
         "TITLE: Bänd 7 Süd 1\r\nFCM: NON-DROP FRAME\r\n\r\n"
         "001  B_nd_7_S AA/V  C        00:00:10:00 00:00:20:00 01:00:00:00 01:00:10:00\r\n"
         "* FROM CLIP NAME: Harbour, \"east\" pier\r\n* TAPE: Bänd 7 Süd 1\r\n"
         "002  B_nd_7_S AA/V  C        00:01:00:02 00:01:05:15 01:00:10:00 01:00:15:13\r\n"
         "* FROM CLIP NAME: Café\t東京 take 2\r\n* TAPE: Bänd 7 Süd 1\r\n"
         "003  B_nd_7_S AA/V  C        00:00:59:20 00:01:00:04 01:00:15:13 01:00:15:22\r\n"
         "* FROM CLIP NAME: Close up\r\n* TAPE: Bänd 7 Süd 1\r\n",
         awkward("Bänd 7 Süd 1")},
        {"30DF, record times from 00:00:59;00 across a dropped minute",
         awkward("TAPE_0001-AB", ";"), timecode::rate30DF,
         "TITLE: TAPE_0001-AB\r\nFCM: DROP FRAME\r\n\r\n"
         "001  TAPE_000 AA/V  C        00:00:10;00 00:00:20;00 00:00:59;00 00:01:09;02\r\n"
         "* FROM CLIP NAME: Harbour, \"east\" pier\r\n* TAPE: TAPE_0001-AB\r\n"
         "002  TAPE_000 AA/V  C        00:01:00;02 00:01:05;15 00:01:09;02 00:01:14;15\r\n"
         "* FROM CLIP NAME: Café\t東京 take 2\r\n* TAPE: TAPE_0001-AB\r\n"
         "003  TAPE_000 AA/V  C        00:00:59;20 00:01:00;04 00:01:14;15 00:01:14;27\r\n"
         "* FROM CLIP NAME: Close up\r\n* TAPE: TAPE_0001-AB\r\n",
         awkward("TAPE_0001-AB", ";"), false, 1770},
        {"a tape the reel holds whole needs no TAPE line", tapeLog("A001C003", {C1}),
         timecode::rate30,
         "TITLE: A001C003\r\nFCM: NON-DROP FRAME\r\n\r\n"
         "001  A001C003 AA/V  C        00:00:10:00 00:00:20:00 01:00:00:00 01:00:10:00\r\n"
         "* FROM CLIP NAME: Name01\r\n",
         tapeLog("A001C003", {C1})},
        {"30DF, a tape with blanks; no out, and an out before the in: clips of no length at the "
         "in, read back without an out",
         tapeLog("Interview Day 1", {{"Open", "00:01:00;02", timecode::zero},
                                     {"Backwards", "00:00:20;00", "00:00:10;00"}}),
         timecode::rate30DF,
         "TITLE: Interview Day 1\r\nFCM: DROP FRAME\r\n\r\n"
         "001  Intervie AA/V  C        00:01:00;02 00:01:00;02 01:00:00;00 01:00:00;00\r\n"
         "* FROM CLIP NAME: Open\r\n* TAPE: Interview Day 1\r\n"
         "002  Intervie AA/V  C        00:00:20;00 00:00:20;00 01:00:00;00 01:00:00;00\r\n"
         "* FROM CLIP NAME: Backwards\r\n* TAPE: Interview Day 1\r\n",
         tapeLog("Interview Day 1", {{"Open", "00:01:00;02", "00:00:00;00"},
                                     {"Backwards", "00:00:20;00", "00:00:00;00"}})},
        {"the tape AX is said, since the reel AX is no tape", tapeLog("AX", {C1}), timecode::rate30,
         "TITLE: AX\r\nFCM: NON-DROP FRAME\r\n\r\n"
         "001  AX       AA/V  C        00:00:10:00 00:00:20:00 01:00:00:00 01:00:10:00\r\n"
         "* FROM CLIP NAME: Name01\r\n* TAPE: AX\r\n",
         tapeLog("AX", {C1})},
        {"the tape BL is said, since the reel BL is black", tapeLog("BL", {C1}), timecode::rate30,
         "TITLE: BL\r\nFCM: NON-DROP FRAME\r\n\r\n"
         "001  BL_      AA/V  C        00:00:10:00 00:00:20:00 01:00:00:00 01:00:10:00\r\n"
         "* FROM CLIP NAME: Name01\r\n* TAPE: BL\r\n",
         tapeLog("BL", {C1})},
        {"a tape of lower case, a dash and an underscore is the reel whole",
         tapeLog("cam-a_01", {C1}), timecode::rate30,
         "TITLE: cam-a_01\r\nFCM: NON-DROP FRAME\r\n\r\n"
         "001  cam-a_01 AA/V  C        00:00:10:00 00:00:20:00 01:00:00:00 01:00:10:00\r\n"
         "* FROM CLIP NAME: Name01\r\n",
         tapeLog("cam-a_01", {C1})},
        {"a dot in the tape is '_' in the reel, the tape said", tapeLog("A-1.B", {C1}),
         timecode::rate30,
         "TITLE: A-1.B\r\nFCM: NON-DROP FRAME\r\n\r\n"
         "001  A-1_B    AA/V  C        00:00:10:00 00:00:20:00 01:00:00:00 01:00:10:00\r\n"
         "* FROM CLIP NAME: Name01\r\n* TAPE: A-1.B\r\n",
         tapeLog("A-1.B", {C1})},
        {"three tapes, each clip's reel from its own; notes and good takes as comments",
         threeTapes(), timecode::rate30,
         "TITLE: Tape A\r\nFCM: NON-DROP FRAME\r\n\r\n"
         "001  Tape_A   AA/V  C        00:00:10:00 00:00:20:00 01:00:00:00 01:00:10:00\r\n"
         "* FROM CLIP NAME: Harbour, \"east\" pier\r\n* TAPE: Tape A\r\n"
         "* COMMENT: Wide, \"golden\" light — café\r\n* GOOD TAKE: YES\r\n"
         "002  B-Roll_2 AA/V  C        00:01:00:02 00:01:05:15 01:00:10:00 01:00:15:13\r\n"
         "* FROM CLIP NAME: Café 東京 take 2\r\n"
         "003  Intervie AA/V  C        00:02:00:00 00:02:03:00 01:00:15:13 01:00:18:13\r\n"
         "* FROM CLIP NAME: Über die Brücke\r\n* TAPE: Interview Day 1\r\n"
         "* COMMENT: Soft focus; retake\r\n* GOOD TAKE: YES\r\n"
         "004  Tape_A   AA/V  C        00:00:59:20 00:01:00:04 01:00:18:13 01:00:18:27\r\n"
         "* FROM CLIP NAME: Close up\r\n* TAPE: Tape A\r\n* COMMENT: Élan, \"vital\"\r\n",
         threeTapes()},
        {"a reel last said with another tape is said again, AX and no tape too", sameReels(),
         timecode::rate30,
         "TITLE: list.edl\r\nFCM: NON-DROP FRAME\r\n\r\n"
         "001  Intervie AA/V  C        00:00:10:00 00:00:20:00 01:00:00:00 01:00:10:00\r\n"
         "* FROM CLIP NAME: Name01\r\n* TAPE: Interview Day 1\r\n"
         "002  Intervie AA/V  C        00:00:30:00 00:00:35:00 01:00:10:00 01:00:15:00\r\n"
         "* FROM CLIP NAME: Name02\r\n* TAPE: Intervie\r\n"
         "003  AX       AA/V  C        00:01:00:00 00:01:30:00 01:00:15:00 01:00:45:00\r\n"
         "* FROM CLIP NAME: Name03\r\n* TAPE: AX\r\n"
         "004  AX       AA/V  C        00:02:00:00 00:02:01:00 01:00:45:00 01:00:46:00\r\n"
         "* FROM CLIP NAME: Name04\r\n* TAPE: \r\n",
         sameReels()},
        {"an earlier version's list: the tape said once after 001 is every later event's of that "
         "reel",
         {},
         timecode::rate30,
         "TITLE: Interview Day 1\r\nFCM: NON-DROP FRAME\r\n\r\n"
         "001  Intervie AA/V  C        00:00:10:00 00:00:20:00 01:00:00:00 01:00:10:00\r\n"
         "* FROM CLIP NAME: Name01\r\n* TAPE: Interview Day 1\r\n"
         "002  Intervie AA/V  C        00:00:30:00 00:00:35:00 01:00:10:00 01:00:15:00\r\n"
         "* FROM CLIP NAME: Name02\r\n"
         "003  B7       AA/V  C        00:01:00:00 00:01:30:00 01:00:15:00 01:00:45:00\r\n"
         "* FROM CLIP NAME: Name03\r\n"
         "004  Intervie AA/V  C        00:02:00:00 00:02:01:00 01:00:45:00 01:00:46:00\r\n"
         "* FROM CLIP NAME: Name04\r\n",
         [] {
             EventList log =
                 tapeLog("Interview Day 1", {C1, C2, C3, {"Name04", "00:02:00:00", "00:02:01:00"}});
             log.TapeArray[2] = "B7";
             return log;
         }(),
         true},
        {"another tool's comments: a tape before the first event is every clip's; notes from "
         "several lines, a good take in lower case, other comments passed over",
         {},
         timecode::rate30,
         "TITLE: Day 3\r\nFCM: NON-DROP FRAME\r\n* TAPE: Reel 9\r\n* COMMENT: not an event's\r\n"
         "\r\n001  AX       AA/V  C        00:00:10:00 00:00:20:00 01:00:00:00 01:00:10:00\r\n"
         "* FROM CLIP NAME: Gull\r\n* COMMENT: Wind noise,\r\n* SOURCE FILE: A001.mov\r\n"
         "* COMMENT:   then rain\r\n* GOOD TAKE: yes\r\n\r\n"
         "002  B7       AA/V  C        00:00:30:00 00:00:35:00 01:00:10:00 01:00:15:00\r\n"
         "* GOOD TAKE: NO\r\n* TAPE: Reel 10\r\n",
         [] {
             EventList log = logOf({{"Gull", C1.in, C1.out}, {"B7", C2.in, C2.out}});
             log.tape = log.TapeArray[0] = "Reel 9";
             log.TapeArray[1] = "Reel 10";
             log.NotesArray[0] = "Wind noise, then rain";
             log.GoodArray[0] = true;
             return log;
         }(),
         true},
    };
    // A CMX list does not tell 25 from 30: it is loaded at the rate in use.
    for (const Row& row : rows) check(ListFormat::Cmx3600, row, row.rate);

    // The log's tape is the title where a clip has that tape, though the last clip has another.
    EventList titled = threeTapes();
    titled.tape = "Interview Day 1";
    const std::string bytes = FormatEDL(titled, "list.edl", " KOLB", ListFormat::Cmx3600).bytes;
    TextSource list(bytes);
    EventList read = EventList::initial();
    ReadEDL(list, read, false, timecode::rate30);
    EXPECT_EQ(read, titled);
}

TEST_F(ListFormats, AleIsWrittenForAvidAndReadFromOtherTools) {
    const Row rows[] = {
        {"30: NTSC, FPS 29.97; a tab in a name is written as a blank", awkward("Harbour Tape"),
         timecode::rate30,
         aleNtsc +
             "Harbour, \"east\" pier\tHarbour "
             "Tape\t00:00:10:00\t00:00:20:00\t00:00:10:00\tVA1A2\t\t\r\n"
             "Café 東京 take 2\tHarbour Tape\t00:01:00:02\t00:01:05:15\t00:00:05:13\tVA1A2\t\t\r\n"
             "Close up\tHarbour Tape\t00:00:59:20\t00:01:00:04\t00:00:00:14\tVA1A2\t\t\r\n",
         awkward("Harbour Tape", ":", " ")},
        {"25: PAL", awkward("Bänd 7 Süd 1"), timecode::rate25,
         "Heading\r\nFIELD_DELIM\tTABS\r\nVIDEO_FORMAT\tPAL\r\nAUDIO_FORMAT\t48khz\r\nFPS\t25\r\n"
         "\r\nColumn\r\nName\tTape\tStart\tEnd\tDuration\tTracks\tComments\tGood\r\n\r\n"
         "Data\r\n"
         "Harbour, \"east\" pier\tBänd 7 Süd "
         "1\t00:00:10:00\t00:00:20:00\t00:00:10:00\tVA1A2\t\t\r\n"
         "Café 東京 take 2\tBänd 7 Süd 1\t00:01:00:02\t00:01:05:15\t00:00:05:13\tVA1A2\t\t\r\n"
         "Close up\tBänd 7 Süd 1\t00:00:59:20\t00:01:00:04\t00:00:00:09\tVA1A2\t\t\r\n",
         awkward("Bänd 7 Süd 1", ":", " ")},
        {"30DF: NTSC, FPS 29.97, ';' in the times", awkward("TAPE_0001-AB", ";"),
         timecode::rate30DF,
         aleNtsc +
             "Harbour, \"east\" "
             "pier\tTAPE_0001-AB\t00:00:10;00\t00:00:20;00\t00:00:10;00\tVA1A2\t\t\r\n"
             "Café 東京 take 2\tTAPE_0001-AB\t00:01:00;02\t00:01:05;15\t00:00:05;13\tVA1A2\t\t\r\n"
             "Close up\tTAPE_0001-AB\t00:00:59;20\t00:01:00;04\t00:00:00;12\tVA1A2\t\t\r\n",
         awkward("TAPE_0001-AB", ";", " ")},
        {"30DF: no out, and an out before the in: End at Start, Duration zero, read back "
         "without an out",
         tapeLog("Bånd 2 Müller", {{"Open", "00:01:00;02", timecode::zero},
                                   {"Backwards", "00:00:20;00", "00:00:10;00"}}),
         timecode::rate30DF,
         aleNtsc + "Open\tBånd 2 Müller\t00:01:00;02\t00:01:00;02\t00:00:00;00\tVA1A2\t\t\r\n"
                   "Backwards\tBånd 2 Müller\t00:00:20;00\t00:00:20;00\t00:00:00;00\tVA1A2\t\t\r\n",
         tapeLog("Bånd 2 Müller", {{"Open", "00:01:00;02", "00:00:00;00"},
                                   {"Backwards", "00:00:20;00", "00:00:00;00"}})},
        {"three tapes, notes and good takes", threeTapes(), timecode::rate30,
         aleNtsc +
             "Harbour, \"east\" pier\tTape A\t00:00:10:00\t00:00:20:00\t00:00:10:00\tVA1A2\t"
             "Wide, \"golden\" light — café\tYes\r\n"
             "Café 東京 take 2\tB-Roll_2\t00:01:00:02\t00:01:05:15\t00:00:05:13\tVA1A2\t\t\r\n"
             "Über die Brücke\tInterview Day 1\t00:02:00:00\t00:02:03:00\t00:00:03:00\tVA1A2\t"
             "Soft focus; retake\tYes\r\n"
             "Close up\tTape A\t00:00:59:20\t00:01:00:04\t00:00:00:14\tVA1A2\tÉlan, "
             "\"vital\"\t\r\n",
         threeTapes()},
        {"another tool's: LF, more heading fields, columns in another order, extra columns, "
         "Start before an empty Mark IN",
         {},
         timecode::rate25,
         "Heading\nFIELD_DELIM\tTABS\nVIDEO_FORMAT\t1080\nTAPE\tA001\nAUDIO_FORMAT\t48khz\n"
         "FPS\t25.00\n\nColumn\nMark IN\tStart\tEnd\tName\tSource File\tTape\tTracks\tDuration\n"
         "\nData\n"
         "\t10:00:00:00\t10:00:05:00\tA001_C003\tA001_C003.mov\tA001\tVA1A2\t00:00:05:00\n"
         "\t10:01:00:00\t10:01:02:12\tWide, dusk\tA001_C004.mov\tA001\tVA1A2\t00:00:02:12\n",
         tapeLog("A001", {{"A001_C003", "10:00:00:00", "10:00:05:00"},
                          {"Wide, dusk", "10:01:00:00", "10:01:02:12"}}),
         true},
        {"another tool's: CR LF, no End, the out from the duration at 30DF, the rate from the "
         "first row read",
         {},
         timecode::rate30DF,
         "\r\nHeading\r\nFIELD_DELIM\tTABS\r\nFPS\t29.97\r\n\r\nColumn\r\n"
         "Name\tDuration\tStart\tTape\t\r\n\r\nData\r\n"
         "Bad\t00:00:01;00\tn/a\tR1\t\r\nOpening\t00:00:01;00\t00:00:59;20\tR1\t\r\n",
         tapeLog("R1", {{"Opening", "00:00:59;20", "00:01:00;22"}}),
         true,
         std::nullopt,
         {"Skipped ALE line 10: in n/a and out  are not timecode at the rate 30"},
         {{10, "in n/a and out  are not timecode at the rate 30"}}},
        {"another tool's: Latin-1 bytes, characters cut by the line end and the end of the file",
         {},
         timecode::rate30,
         "Heading\nFPS\t30\n\nColumn\nStart\tEnd\tTape\tName\n\nData\n"
         "00:00:10:00\t00:00:20:00\tB\xE9\t\xF0\x9F\x98\n00:00:30:00\t00:00:35:00\tB\xE9\tCaf\xC3",
         tapeLog("B\xC3\xA9", {{"\xC3\xB0\xC2\x9F\xC2\x98", "00:00:10:00", "00:00:20:00"},
                               {"Caf\xC3\x83", "00:00:30:00", "00:00:35:00"}}),
         true},
        {"another tool's: FPS 50, said once, its times kept as written, checked at 50 frames",
         {},
         timecode::rate30,
         "Heading\nFPS\t50\n\nColumn\nName\tStart\tEnd\n\nData\nB\t00:00:10:50\t00:00:11:00\n"
         "A\t00:00:10:49\t00:00:11:00\n",
         tapeLog("", {{"A", "00:00:10:49", "00:00:11:00"}}),
         true,
         std::nullopt,
         {"The ALE's rate 50 is not one KOLB counts at (30, 25, 29.97): its times are kept as "
          "written",
          "Skipped ALE line 8: in 00:00:10:50 and out 00:00:11:00 are not timecode at the rate 50"},
         {{8, "in 00:00:10:50 and out 00:00:11:00 are not timecode at the rate 50"}},
         false,
         "50"},
    };
    for (const Row& row : rows) check(ListFormat::Ale, row);
}

TEST_F(ListFormats, CsvIsRfc4180AndReadFromOtherTools) {
    const Row rows[] = {
        {"30: quotes doubled, a comma quoted, a tab kept", awkward("Harbour Tape"),
         timecode::rate30,
         csvHeader +
             "001,\"Harbour, \"\"east\"\" pier\",Harbour "
             "Tape,00:00:10:00,00:00:20:00,00:00:10:00,30,,\r\n"
             "002,Café\t東京 take 2,Harbour Tape,00:01:00:02,00:01:05:15,00:00:05:13,30,,\r\n"
             "003,Close up,Harbour Tape,00:00:59:20,00:01:00:04,00:00:00:14,30,,\r\n",
         awkward("Harbour Tape")},
        {"25", awkward("Bänd 7 Süd 1"), timecode::rate25,
         csvHeader +
             "001,\"Harbour, \"\"east\"\" pier\",Bänd 7 Süd "
             "1,00:00:10:00,00:00:20:00,00:00:10:00,25,,\r\n"
             "002,Café\t東京 take 2,Bänd 7 Süd 1,00:01:00:02,00:01:05:15,00:00:05:13,25,,\r\n"
             "003,Close up,Bänd 7 Süd 1,00:00:59:20,00:01:00:04,00:00:00:09,25,,\r\n",
         awkward("Bänd 7 Süd 1")},
        {"30DF", awkward("TAPE,0001-AB", ";"), timecode::rate30DF,
         csvHeader +
             "001,\"Harbour, \"\"east\"\" "
             "pier\",\"TAPE,0001-AB\",00:00:10;00,00:00:20;00,00:00:10;00,30DF,,\r\n"
             "002,Café\t東京 take 2,\"TAPE,0001-AB\",00:01:00;02,00:01:05;15,00:00:05;13,30DF,,\r\n"
             "003,Close up,\"TAPE,0001-AB\",00:00:59;20,00:01:00;04,00:00:00;12,30DF,,\r\n",
         awkward("TAPE,0001-AB", ";")},
        {"three tapes, notes and good takes", threeTapes(), timecode::rate30,
         csvHeader +
             "001,\"Harbour, \"\"east\"\" pier\",Tape A,00:00:10:00,00:00:20:00,00:00:10:00,30,"
             "\"Wide, \"\"golden\"\" light — café\",Yes\r\n"
             "002,Café 東京 take 2,B-Roll_2,00:01:00:02,00:01:05:15,00:00:05:13,30,,\r\n"
             "003,Über die Brücke,Interview Day 1,00:02:00:00,00:02:03:00,00:00:03:00,30,"
             "Soft focus; retake,Yes\r\n"
             "004,Close up,Tape A,00:00:59:20,00:01:00:04,00:00:00:14,30,\"Élan, "
             "\"\"vital\"\"\",\r\n",
         threeTapes()},
        {"another tool's: a byte order mark, LF, its own column names in another order, a "
         "quoted line end in the notes, the rate 29.97 with ';'",
         {},
         timecode::rate30DF,
         "\xEF\xBB\xBFNotes,Source Out,Clip Name,Reel,Source In,FPS\n"
         "\"two\nlines\",00:01:00;04,Ferry,B7,00:00:59;20,29.97\n"
         ",00:00:20;00,\"Dock \"\"3\"\"\",B7,00:00:10;00,29.97\n"
         "late,00:01:00;00,Gull,B7,00:00:50;00,29.97\n"
         "non-drop,00:02:00;00,Tern,B7,00:01:00;00,30\n",
         [] {
             EventList log = tapeLog("B7", {{"Ferry", "00:00:59;20", "00:01:00;04"},
                                            {"Dock \"3\"", "00:00:10;00", "00:00:20;00"}});
             log.NotesArray[0] = "two lines";
             return log;
         }(),
         true,
         std::nullopt,
         {"Skipped CSV line 5: in 00:00:50;00 and out 00:01:00;00 are not timecode at the rate "
          "30DF",
          "Skipped CSV line 6: rate 30 is not the list's rate 30DF"},
         {{5, "in 00:00:50;00 and out 00:01:00;00 are not timecode at the rate 30DF"},
          {6, "rate 30 is not the list's rate 30DF"}}},
        {"another tool's: CR LF, a rate KOLB does not count at, its times kept as written with the "
         "rate 25 in use; blank lines passed over; the same rate said another way read, another "
         "skipped",
         {},
         timecode::rate25,
         "name,in,out,tape,fps\r\n\r\nGate,00:00:01:23,00:00:02:00,,23.976\r\n"
         "Gull,00:00:03:00,00:00:04:00,,23.98 fps\r\nPier,00:00:05:00,00:00:06:00,,24\r\n",
         tapeLog("",
                 {{"Gate", "00:00:01:23", "00:00:02:00"}, {"Gull", "00:00:03:00", "00:00:04:00"}}),
         true,
         std::nullopt,
         {"The CSV's rate 23.976 is not one KOLB counts at (30, 25, 29.97): its times are kept as "
          "written",
          "Skipped CSV line 5: rate 24 is not the list's rate 23.976"},
         {{5, "rate 24 is not the list's rate 23.976"}},
         false,
         "23.976"},
        {"another tool's: quotes inside unquoted fields are kept as they are",
         {},
         timecode::rate30,
         "Name,In,Out,Tape\r\nDock 3\" wide,00:00:10:00,00:00:20:00,B\"7\r\n"
         "5'10\",00:00:30:00,00:00:35:00,B\"7\r\nab\"\"c\"d,00:01:00:00,00:01:30:00,B\"7\r\n",
         tapeLog("B\"7", {{"Dock 3\" wide", "00:00:10:00", "00:00:20:00"},
                          {"5'10\"", "00:00:30:00", "00:00:35:00"},
                          {"ab\"\"c\"d", "00:01:00:00", "00:01:30:00"}}),
         true},
        {"another tool's: Latin-1 bytes, characters cut by the line end and the end of the file",
         {},
         timecode::rate30,
         "Name,In,Out,Tape\nCaf\xE9,00:00:10:00,00:00:20:00,B\xC3\n"
         "\xE6\x9D,00:00:30:00,00:00:35:00,B\xC3",
         tapeLog("B\xC3\x83", {{"Caf\xC3\xA9", "00:00:10:00", "00:00:20:00"},
                               {"\xC3\xA6\xC2\x9D", "00:00:30:00", "00:00:35:00"}}),
         true},
        {"a European spreadsheet's: a byte order mark, ';' between fields and quoted, ',' in a "
         "column's name and the rate, times with one-digit fields, one still not timecode",
         {},
         timecode::rate25,
         "\xEF\xBB\xBF"
         "Clip Name;Source In;Source Out;Tape ID;Frame Rate;Take, Roll\r\n"
         "\"Quay; "
         "dusk\";1:00:00:00;1:00:05:00;B7;25,00;1\r\nGull;1:2:3:4;01:02:04:00;B7;25,00;2\r\n"
         "Pier;1:75:00:00;1:76:00:00;B7;25,00;3\r\n",
         tapeLog("B7", {{"Quay; dusk", "01:00:00:00", "01:00:05:00"},
                        {"Gull", "01:02:03:04", "01:02:04:00"}}),
         true,
         std::nullopt,
         {"Skipped CSV line 4: in 1:75:00:00 and out 1:76:00:00 are not timecode at the rate 25"},
         {{4, "in 1:75:00:00 and out 1:76:00:00 are not timecode at the rate 25"}}},
        {"another tool's: a tab between fields, ',' and ';' in a column's name, a quoted tab; "
         "record "
         "times first, under Record In and Rec Out",
         {},
         timecode::rate30,
         "Record In\tRec Out\tClip\tStart TC\tEnd TC\tReel\tA, B; C\n"
         "01:00:00:00\t01:00:02:00\t\"Wide\tshot\"\t10:00:00:00\t10:00:02:00\tR1\tx\n",
         tapeLog("R1", {{"Wide\tshot", "10:00:00:00", "10:00:02:00"}}),
         true},
        skipsAndMore(),
    };
    for (const Row& row : rows)
        check(ListFormat::Csv, row, row.written ? row.rate : timecode::rate30);
}

// The reel's edges; dashes, underscores, dots and lower case are the CMX table's rows above.
TEST(CmxReel, IsTheTapeInEightLettersDigitsDashesOrUnderscores) {
    const struct {
        const char* what;
        std::string tape, reel;
    } rows[] = {
        {"a blank made '_'", "Day 2", "Day_2   "},
        {"a blank at the start", " 7", "_7      "},
        {"each accented letter one '_'", "Bänd Süd", "B_nd_S_d"},
        {"each character of three bytes one '_'", "東京 1", "___1    "},
        {"a character of four bytes one '_'", "\xF0\x9D\x84\x9Ex", "_x      "},
        {"eight characters fill the reel", "A001-C03", "A001-C03"},
        {"a longer tape cut at eight", "TAPE_0001-AB", "TAPE_000"},
        {"an accent past the eighth character", "ABCDEFGHé", "ABCDEFGH"},
        {"nothing valid", "...", "___     "},
        {"nothing valid, longer than the reel", "ÄÖÜ. ,;:!?", "________"},
        {"no tape: AX", "", "AX      "},
    };
    for (const auto& row : rows) EXPECT_EQ(CmxReelText(row.tape), row.reel) << row.what;
}

TEST(TableColumns, EachColumnIsFoundByEveryNameItGoesByInCsvAndAle) {
    enum Column { Name, Tape, In, Out, Rate, Notes, Good };
    // The columns under their first names, and the one event their row reads as.
    const std::vector<std::string> names = {"Name", "Tape",     "In",  "Out",
                                            "Rate", "Comments", "Good"};
    const std::vector<std::string> values = {"Gull", "B7",         "00:00:10:00", "00:00:20:00",
                                             "25",   "Wind noise", "Yes"};
    EventList expected = tapeLog("B7", {{"Gull", "00:00:10:00", "00:00:20:00"}});
    expected.NotesArray[0] = "Wind noise";
    const struct {
        Column column;
        const char* heading;
        const char* value = nullptr; // when it is not the value of the first name
        bool good = true;            // the good-take mark read
    } rows[] = {
        {Name, "NAME"},
        {Name, "Clip Name"},
        {Name, "clip"},
        {Name, " Clip   Name "},
        {Name, "FILENAME"},
        {Tape, "Tape"},
        {Tape, "TAPE NAME"},
        {Tape, " Reel "},
        {Tape, "reel name"},
        {Tape, "Tape ID"},
        {In, "IN"},
        {In, "Start"},
        {In, "Source In"},
        {In, "src in"},
        {In, "Mark IN"},
        {In, "TC IN"},
        {Out, "out"},
        {Out, "END"},
        {Out, "Source Out"},
        {Out, "Src Out"},
        {Out, "mark out"},
        {Out, "Media End"},
        {Out, "Duration", "00:00:10:00"},
        {Out, "Source Duration", "00:00:10:00"},
        {Rate, "Rate"},
        {Rate, "FPS"},
        {Rate, "Video Frame Rate"},
        {Notes, "COMMENT"},
        {Notes, "notes"},
        {Notes, "Description"},
        {Notes, "Log Note"},
        {Notes, "REMARK"},
        {Good, "Good Take"},
        {Good, "circled"},
        {Good, "Circle"},
        {Good, "Good", " y "},
        {Good, "Good", "TRUE"},
        {Good, "Good", "1"},
        {Good, "Good", "x"},
        {Good, "Good", "*"},
        {Good, "Good", "good"},
        {Good, "Good", "Circled"},
        {Good, "Good", "No", false},
        {Good, "Good", "", false},
        {Good, "Good", "yess", false},
    };
    const auto joined = [](const std::vector<std::string>& fields, const std::string& sep) {
        std::string line = fields.front();
        for (std::size_t i = 1; i < fields.size(); ++i) line += sep + fields[i];
        return line;
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.heading);
        std::vector<std::string> header = names;
        std::vector<std::string> fields = values;
        header[row.column] = row.heading;
        if (row.value != nullptr) fields[row.column] = row.value;
        EXPECT_EQ(KindOfList(joined(header, ",")), ListKind::Csv);
        const std::string csv = joined(header, ",") + "\r\n" + joined(fields, ",") + "\r\n";
        const std::string ale = "Heading\r\nFIELD_DELIM\tTABS\r\n\r\nColumn\r\n" +
                                joined(header, "\t") + "\r\n\r\nData\r\n" + joined(fields, "\t") +
                                "\r\n";
        for (const bool isCsv : {true, false}) {
            SCOPED_TRACE(isCsv ? "CSV" : "ALE");
            Console console;
            TextSource source(isCsv ? csv : ale);
            EventList events = EventList::initial();
            const EdlRead read = isCsv ? ReadCSV(source, events, timecode::rate30)
                                       : ReadALE(source, events, timecode::rate30);
            EXPECT_EQ(read.stored, 1);
            EventList want = expected;
            want.GoodArray[0] = row.good;
            EXPECT_EQ(events, want);
            EXPECT_EQ(read.rate, timecode::rate25);
            EXPECT_EQ(console.lines, Lines{});
        }
    }
}

TEST(TableRates, AreReadAtKolbsRateOrTheirTimesKeptAsWrittenAndCheckedAtTheirFrames) {
    const struct {
        const char* text;
        std::optional<timecode::Rate> kolb; // the rate read at; else the rate in use, 25
        std::string other;                  // the rate kept as said; none for an unknown one
        int frames;                         // a second's frames, as the times are checked
    } rows[] = {{"29.97 NDF", timecode::rate30, "", 30},
                {"29.97 fps DF", timecode::rate30DF, "", 30},
                {"30 DF", timecode::rate30DF, "", 30},
                {"23.976", std::nullopt, "23.976", 24},
                {"23.98", std::nullopt, "23.976", 24},
                {"23,976 fps", std::nullopt, "23.976", 24},
                {"24 FPS", std::nullopt, "24", 24},
                {"50", std::nullopt, "50", 50},
                {"59.94 DF", std::nullopt, "59.94", 60},
                {"60", std::nullopt, "60", 60},
                {"48", std::nullopt, "", 25}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const std::string last = "00:00:10:" + std::to_string(row.frames - 1);
        const std::string over = "00:00:10:" + std::to_string(row.frames);
        const std::string rate = std::string(",00:00:11:00,\"") + row.text + "\"\r\n";
        const std::string csv = "In,Out,Rate\r\n" + last + rate + over + rate;
        Console console;
        TextSource source(csv);
        EventList events = EventList::initial();
        const EdlRead read = ReadCSV(source, events, timecode::rate25);
        EXPECT_EQ(events.SrcInArray[0], last);
        EXPECT_EQ(read.rate, row.kolb.value_or(timecode::rate25));
        EXPECT_EQ(read.rateMarked, row.kolb.has_value());
        EXPECT_EQ(read.otherRate, row.other);
        const std::string at = row.kolb            ? timecode::RateText(*row.kolb)
                               : row.other.empty() ? "25"
                                                   : row.other;
        EXPECT_EQ(read.skips,
                  (std::vector<SkippedLine>{{3, "in " + over +
                                                    " and out 00:00:11:00 are not timecode at "
                                                    "the rate " +
                                                    at}}));
    }
}

TEST(ListFormat, ANameEndingInTheFormatsOwnExtensionWritesThatFormat) {
    const struct {
        const char* name;
        ListFormat chosen, written;
    } rows[] = {
        {"day2.edl", ListFormat::Standard, ListFormat::Cmx3600},
        {"DAY2.EDL", ListFormat::Ale, ListFormat::Cmx3600},
        {"Day2.Ale", ListFormat::Cmx3600, ListFormat::Ale},
        {"day2.csv", ListFormat::Standard, ListFormat::Csv},
        {"day2.txt", ListFormat::Standard, ListFormat::Standard},
        {"day2.edl.bak", ListFormat::Csv, ListFormat::Csv},
        {"edl", ListFormat::Standard, ListFormat::Standard},
        {".edl", ListFormat::Standard, ListFormat::Cmx3600},
    };
    for (const auto& row : rows)
        EXPECT_EQ(FormatForFile(row.name, row.chosen), row.written) << row.name;
}
