#include "CaptureFiles.h"
#include "CaptureLog.h"
#include "CaptureRoom.h"
#include "RecorderCommand.h"
#include "RecorderProcess.h"
#include "TimecodeMap.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <thread>

using namespace std::chrono_literals;
using Words = std::vector<std::string>;

namespace {

using testfiles::Slurp;
using TempFolder = testfiles::Folder;

} // namespace

TEST(RecorderCommand, SplitsAndExpandsEachPlaceholderOnceAtTheRateInUse) {
    const std::string all = "-t={duration}s -n={name}! e{event} {tape}/{in}-{out} f{frames} "
                            "{seconds}s r{rate} {x}{nam{name}}";
    struct Row {
        std::string command;
        timecode::Rate rate;
        int in, out;
        std::optional<Words> want;
    };
    const std::vector<Row> rows = {
        {R"(ff -i "Mini Recorder" {file}.mkv)", timecode::rate30, 0, 0,
         Words{"ff", "-i", "Mini Recorder", "/c/007_A.mkv"}},
        {"a\"b c\"d  \t \"\"", timecode::rate30, 0, 0, Words{"ab cd", ""}},
        {"ff \"open", timecode::rate30, 0, 0, std::nullopt},
        {" \t ", timecode::rate30, 0, 0, Words{}},
        {all, timecode::rate30, 108000, 108090,
         Words{"-t=00:00:03:00s", "-n=Take {tape}!", "e007", "T1/01:00:00:00-01:00:03:00", "f90",
               "3.000s", "r30", "{x}{namTake {tape}}"}},
        {all, timecode::rate25, 90000, 90075,
         Words{"-t=00:00:03:00s", "-n=Take {tape}!", "e007", "T1/01:00:00:00-01:00:03:00", "f75",
               "3.000s", "r25", "{x}{namTake {tape}}"}},
        {all, timecode::rate30DF, 107892, 107982,
         Words{"-t=00:00:03;00s", "-n=Take {tape}!", "e007", "T1/01:00:00;00-01:00:03;00", "f90",
               "3.003s", "r30000/1001", "{x}{namTake {tape}}"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.command);
        const auto words = SplitCommand(row.command);
        ASSERT_EQ(words.has_value(), row.want.has_value());
        if (!words) continue;
        const ClipValues v =
            ValuesOf(7, "Take {tape}", "T1", "/c/007_A", row.in, row.out, row.rate);
        EXPECT_EQ(ExpandCommand(*words, v), *row.want);
    }
}

TEST(CaptureFiles, NamesAreSafeAndNeverReuseAnEarlierCapturesFiles) {
    TempFolder tmp;
    const std::string& dir = tmp.path;
    for (const char* name : {"002_A.mkv", "002_A.recorder.txt", "002_A_2.x", "002_AB.mkv"})
        ASSERT_EQ(WriteNewFile(dir + "/" + name, "x"), "");
    const std::string longName(300, 'n');
    struct Row {
        std::function<std::string()> got;
        std::string want;
    };
    const std::vector<Row> rows = {
        {[] { return SafeName("a/b c"); }, "a_b_c"},
        {[] { return SafeName(R"(say "hi")"); }, "say__hi_"},
        {[] { return SafeName(".."); }, ".."},
        {[] { return SafeName(""); }, "_"},
        {[] { return SafeName("Café ok-1.2_x"); }, "Caf___ok-1.2_x"},
        {[] { return ClipStem(2, "../up"); }, "002_.._up"},
        // A stem keeps its event number and the start of the name, at most maxStemBytes bytes.
        {[] { return ClipStem(3, std::string(maxStemBytes - 4, 'a')); },
         "003_" + std::string(maxStemBytes - 4, 'a')},
        {[] { return ClipStem(3, std::string(maxStemBytes - 4, 'a') + "b"); },
         "003_" + std::string(maxStemBytes - 4, 'a')},
        {[] { return ClipStem(1234, std::string(300, 'n')); },
         "1234_" + std::string(maxStemBytes - 5, 'n')},
        // Its files, and those of its next capture, fit the file system's names.
        {[&] { return WriteNewFile(dir + "/" + ClipStem(3, longName) + ".mkv", "x"); }, ""},
        {[&] { return UniqueBase(dir, ClipStem(3, longName)); },
         dir + "/" + ClipStem(3, longName) + "_2"},
        {[&] {
             return WriteNewFile(UniqueBase(dir, ClipStem(3, longName)) + ".trim.mkv.framemd5",
                                 "x");
         },
         ""},
        {[&] { return UniqueBase(dir, "002_A"); }, dir + "/002_A_3"},
        {[&] { return UniqueBase(dir, "002_AB"); }, dir + "/002_AB_2"},
        {[&] { return UniqueBase(dir, "002_"); }, dir + "/002_"},
        {[&] { return UniqueBase(dir + "/none", "1"); }, dir + "/none/1"},
        {[&] { return MakeFolder(dir + "/new/sub"); }, ""},
        {[&] { return MakeFolder(dir + "/002_A.mkv"); },
         dir + "/002_A.mkv is a file, not a folder"},
        {[&] { return WriteNewFile(dir + "/002_A.mkv", "y"); }, "File exists"},
        {[&] { return Slurp(dir + "/002_A.mkv"); }, "x"},
    };
    for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].got(), rows[i].want) << "row " << i;
    EXPECT_TRUE(std::filesystem::is_directory(dir + "/new/sub"));
}

TEST(CaptureLog, FieldsAreQuotedAsRfc4180AndTheHeaderIsWrittenOnce) {
    struct Row {
        std::string field, want;
    };
    const std::vector<Row> rows = {{"plain é", "plain é"},
                                   {"a,b", "\"a,b\""},
                                   {"say \"hi\"", "\"say \"\"hi\"\"\""},
                                   {"two\nlines", "\"two\nlines\""},
                                   {"cr\r", "\"cr\r\""},
                                   {"", ""}};
    for (const Row& row : rows) EXPECT_EQ(CsvField(row.field), row.want);

    const Words problems{"a", "b"}, files{"x.mkv", "x.recorder.txt"};
    const std::string in = "01:00:00:00", out = "01:00:03:00";
    const CaptureRecord r{"2026-12-08 14:03:05",
                          21,
                          "Inter, view",
                          "T1",
                          in,
                          out,
                          in,
                          "01:00:03:01",
                          90,
                          "255",
                          problems,
                          files,
                          "255: ended on SIGINT as ffmpeg does (accepted)",
                          88,
                          "00:59:59:28",
                          2};
    const std::string line = "2026-12-08 14:03:05,021,\"Inter, view\",T1,01:00:00:00,01:00:03:00,"
                             "01:00:00:00,01:00:03:01,90,255,a; b,x.mkv; x.recorder.txt,"
                             "255: ended on SIGINT as ffmpeg does (accepted),88,00:59:59:28,2\r\n";
    EXPECT_EQ(CaptureLogLine(r), line);
    TempFolder tmp;
    ASSERT_EQ(AppendCaptureLog(tmp.path, r), "");
    ASSERT_EQ(AppendCaptureLog(tmp.path, r), "");
    EXPECT_EQ(Slurp(tmp.path + "/capture_log.csv"),
              "Date,Event,Name,Tape,In,Out,Start,Stop,Frames,Exit,Problems,Files,Exit meaning,"
              "Recorded,First frame,Pass\r\n" +
                  line + line);
    EXPECT_NE(AppendCaptureLog(tmp.path + "/none", r), "");
}

// Each read with its status in hex and, once the file's frames are placed on the tape, the frame
// of the file that holds its timecode: none before the first frame or after the last.
TEST(TimecodeMap, OneLinePerReadWithItsStatusInHexAndItsFrameInTheFile) {
    const std::vector<MapRead> reads = {{-40, "00:59:59:29", {}, 107999},
                                        {0, "01:00:00:00", {0x20, 0, 0x81, 0x0A}, 108000},
                                        {33, "01:00:00:01", {}, 108001}};
    struct Row {
        int firstFrame, fileFrames;
        std::string text;
    };
    const Row rows[] = {
        {-1, 0, "-40,00:59:59:29,,\n0,01:00:00:00,2000810A,\n33,01:00:00:01,,\n"},
        {108000, 2, "-40,00:59:59:29,,\n0,01:00:00:00,2000810A,0\n33,01:00:00:01,,1\n"},
        {107999, 2, "-40,00:59:59:29,,0\n0,01:00:00:00,2000810A,1\n33,01:00:00:01,,\n"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(TimecodeMapText(reads, row.firstFrame, row.fileFrames), row.text);
}

// The room a clip needs (its frames at the clip before's bytes a frame, at least the minimum)
// against what is free, and a folder that cannot be written in.
TEST(CaptureRoom, AClipNeedsItsFramesAtTheLastBytesPerFrameAndAtLeastTheMinimum) {
    struct Row {
        long long frames;
        double bytesPerFrame;
        long long minBytes, freeBytes;
        std::string problem;
    };
    const Row rows[] = {
        {900, 0, 256 << 20, 256 << 20, ""},
        {900, 0, 256 << 20, (256 << 20) - 1,
         "not enough room in f: 255 MB free, 256 MB needed: free some, or capture to another "
         "folder (CaptureFolder)"},
        {900, 1 << 20, 256 << 20, 900LL << 20, ""},
        {900, 1 << 20, 256 << 20, (900LL << 20) - 1,
         "not enough room in f: 899 MB free, 900 MB needed: free some, or capture to another "
         "folder (CaptureFolder)"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(RoomProblem("f", row.freeBytes,
                              RoomNeeded(row.frames, row.bytesPerFrame, row.minBytes)),
                  row.problem);
    TempFolder tmp;
    EXPECT_EQ(FolderProblem(tmp.path + "/made/here"), "");
    EXPECT_TRUE(std::filesystem::is_directory(tmp.path + "/made/here"));
    EXPECT_EQ(std::filesystem::directory_iterator(tmp.path + "/made/here"),
              std::filesystem::directory_iterator())
        << "the file written to try it is gone";
    EXPECT_GT(FreeBytes(tmp.path).value_or(0), 0);
}

TEST(RecorderProcess, StopsWithSigintThenSigtermThenSigkillAndSaysEach) {
    const std::string sigint = "recorder: SIGINT sent";
    const std::string sigterm = "recorder still running after 10 s: SIGTERM sent";
    const std::string sigkill = "recorder still running after 5 s more: SIGKILL sent";
    struct Row {
        Words options;        // after the program; as program "-": one not on PATH, "!": a
                              // file that is not executable
        bool fromOtherThread; // interrupt() from another thread before stop()
        std::string startError;
        int earlyStatus; // -1: runs until stopped
        int status;
        Words log;
        Words signals; // the report's signal words
    };
    const std::vector<Row> rows = {
        {{"a b", "{x}"}, false, "", -1, 0, {sigint}, {"sigint"}},
        {{}, true, "", -1, 0, {sigint}, {"sigint"}},
        {{"-"}, false, "No such file or directory", -1, 0, {}, {}},
        {{"--exit-after", "100", "3", "--no-output"}, false, "", 3, 3, {}, {}},
        {{"--ignore-int"}, false, "", -1, 0, {sigint, sigterm}, {"sigint", "sigterm"}},
        {{"--ignore-int", "--ignore-term"},
         false,
         "",
         -1,
         137,
         {sigint, sigterm, sigkill},
         {"sigint", "sigterm"}},
        {{"!"}, false, "Permission denied", -1, 0, {}, {}},
        {{"--plain"}, false, "", -1, 130, {sigint}, {}},
    };
    TempFolder tmp;
    std::ofstream(tmp.path + "/not-a-program") << "#!/bin/sh\n";
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE("row " + std::to_string(i));
        const std::string report = tmp.path + "/" + std::to_string(i) + ".report";
        const std::string output = tmp.path + "/" + std::to_string(i) + ".recorder.txt";
        Words argv = {TEST_RECORDER, "--report", report};
        if (row.options == Words{"-"})
            argv = {"kolb-no-such-recorder"};
        else if (row.options == Words{"!"})
            argv = {tmp.path + "/not-a-program"};
        else
            argv.insert(argv.end(), row.options.begin(), row.options.end());
        RecorderProcess recorder;
        ASSERT_EQ(recorder.start(argv, output), row.startError);
        EXPECT_EQ(recorder.started(), row.startError.empty());
        if (!recorder.started()) continue;
        const auto until = [](auto done) {
            for (const auto end = std::chrono::steady_clock::now() + 20s;
                 !done() && std::chrono::steady_clock::now() < end;)
                std::this_thread::sleep_for(5ms);
            return done();
        };
        ASSERT_TRUE(until([&] { return Slurp(report).find("started") != std::string::npos; }));
        if (row.earlyStatus >= 0)
            EXPECT_TRUE(until([&] { return recorder.exited() == row.earlyStatus; }));
        else
            EXPECT_FALSE(recorder.exited());
        if (row.fromOtherThread) std::thread([&] { recorder.interrupt(); }).join();
        Words log;
        const auto stopping = std::chrono::steady_clock::now();
        EXPECT_EQ(recorder.stop([&](const std::string& l) { log.push_back(l); }), row.status);
        const auto stopped = std::chrono::steady_clock::now() - stopping;
        if (row.log.size() == 3) {
            EXPECT_GE(stopped, 15s) << "SIGKILL 5 s after the SIGTERM";
        }
        EXPECT_EQ(log, row.log);

        std::istringstream lines(Slurp(report));
        std::string word, value;
        Words args, signals;
        std::map<std::string, long long> at;
        while (lines >> word && std::getline(lines >> std::ws, value)) {
            if (word == "arg")
                args.push_back(value);
            else if (word != "started")
                signals.push_back(word);
            at[word] = word == "arg" ? 0 : std::stoll(value);
        }
        EXPECT_EQ(args, Words(argv.begin() + 1, argv.end()));
        EXPECT_EQ(signals, row.signals);
        const auto ns = [](auto t) {
            return std::chrono::nanoseconds(t.time_since_epoch()).count();
        };
        EXPECT_NEAR(ns(recorder.startedAt()), at["started"], 1e9) << "the moment of the start";
        if (!row.signals.empty()) {
            EXPECT_LE(ns(recorder.interruptedAt()), at["sigint"]);
        }
        if (row.signals.size() > 1) {
            // From the SIGINT as sent: the recorder may note it later on a busy machine.
            EXPECT_GE(at["sigterm"] - ns(recorder.interruptedAt()), 10'000'000'000LL);
        }
        const bool quiet = row.options.size() > 3;
        EXPECT_EQ(Slurp(output), quiet ? "" : "recording\nrecording (standard error)\n");
    }
}
