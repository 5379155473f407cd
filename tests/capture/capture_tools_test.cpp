#include "ClipTrim.h"
#include "FrameMd5.h"
#include "FrameProbe.h"
#include "FrameTimes.h"
#include "RecorderCommand.h"
#include "Thumbnail.h"
#include "ToolRun.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <thread>
#include <tuple>
#include <unistd.h>

using namespace std::chrono_literals;
using Words = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

constexpr auto toolTime = 30s; // far longer than any helper here needs

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) lines.push_back(line);
    return lines;
}

struct TempFolder {
    std::string path = [] {
        char name[] = "/tmp/kolb-tools-XXXXXX";
        return std::string(mkdtemp(name));
    }();
    ~TempFolder() { fs::remove_all(path); }
};

Words Sh(const std::string& script) {
    return {"sh", "-c", script};
}

// Runs a command the test needs and hands back its output.
std::string Output(const Words& argv) {
    const ToolResult run = RunTool(argv, toolTime);
    EXPECT_EQ(FailureOf(argv, run), "");
    return run.out;
}

// The MD5 sums of a file's pictures, in order.
Words PictureSums(const std::string& file) {
    Words sums;
    for (const std::string& line : Lines(Output({"ffmpeg", "-nostdin", "-v", "error", "-i", file,
                                                 "-map", "0:v", "-f", "framemd5", "-"})))
        if (line[0] != '#') sums.push_back(line.substr(line.rfind(' ') + 1));
    return sums;
}

// 40 numbered test pictures with a tone, ffv1 with every frame a key frame, at each rate, with
// the timecode tags a recorder may write (the file's, the picture stream's, and in "df" a
// timecode track); "late" has its pictures 50 ms after its sound.
const std::map<std::string, std::string>& Recordings() {
    static TempFolder folder;
    static const std::map<std::string, std::string> files = [] {
        const auto pictures = [](std::string rate) {
            return "-f lavfi -i testsrc=size=160x120:rate=" + rate + " ";
        };
        const std::string rest = "-f lavfi -i sine=sample_rate=48000 -frames:v 40 -c:v ffv1 -g 1 "
                                 "-c:a pcm_s16le ";
        std::map<std::string, std::string> made;
        for (const auto& [key, words] : std::map<std::string, std::string>{
                 {"30", pictures("30") + rest + "-timecode 00:59:59:00 030_A.mkv"},
                 {"25", pictures("25") + rest + "-metadata:s:v:0 timecode=00:00:00:01 025_A.mkv"},
                 {"df", pictures("30000/1001") + rest + "-timecode 00:00:59;12 097_A.mov"},
                 {"late", pictures("30") + "-itsoffset -0.05 " + rest + "-shortest 030_B.mkv"}}) {
            Words argv = *SplitCommand("ffmpeg -nostdin -v error " + words);
            argv.back() = made[key] = folder.path + "/" + argv.back();
            Output(argv);
        }
        return made;
    }();
    return files;
}

// This process's standard input from an empty pipe while it lives, so that a child that
// inherited it would show it.
struct PipeAsStdin {
    int saved = fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3);
    PipeAsStdin() {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) return;
        dup2(ends[0], STDIN_FILENO);
        close(ends[0]);
        close(ends[1]);
    }
    ~PipeAsStdin() {
        dup2(saved, STDIN_FILENO);
        close(saved);
    }
};

// True once the process is gone or only waits to be reaped.
bool Gone(pid_t pid) {
    const std::string stat = Slurp("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t paren = stat.rfind(')');
    return (kill(pid, 0) != 0 && errno == ESRCH) ||
           (paren != std::string::npos && stat.compare(paren, 3, ") Z") == 0);
}

} // namespace

TEST(ToolRun, RunsToTheEndOrTheTimeoutAndLeavesNothingRunning) {
    const PipeAsStdin stdinPipe;
    struct Row {
        Words argv;
        std::chrono::milliseconds timeout;
        int status;
        std::string failure;
        std::function<void(const ToolResult&)> check;
        std::size_t outLimit = toolOutLimit;
    };
    const auto outIs = [](std::string out, std::string err) {
        return [=](const ToolResult& r) { EXPECT_EQ(r.out + "|" + r.err, out + "|" + err); };
    };
    // Lines "<fd> <target>": standard input is /dev/null, and no other descriptor is an end of
    // the run's pipes.
    const auto ownPipesOnce = [](const ToolResult& r) {
        std::map<std::string, std::string> to;
        for (const std::string& line : Lines(r.out))
            to[line.substr(0, line.find(' '))] = line.substr(line.find(' ') + 1);
        EXPECT_EQ(to["0"], "/dev/null");
        for (const auto& [fd, target] : to)
            EXPECT_TRUE(fd == "1" || fd == "2" || (target != to["1"] && target != to["2"])) << fd;
    };
    const auto leftNothing = [](const ToolResult& r) { // the output: a process the run started
        const pid_t pid = std::stoi(r.out);
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!Gone(pid) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(10ms);
        EXPECT_TRUE(Gone(pid)) << pid;
        if (!Gone(pid)) kill(pid, SIGKILL);
    };
    const std::vector<Row> rows = {
        {{"kolb-no-such-program"}, 1s, -1, "kolb-no-such-program: not found", {}},
        {Sh("echo out; echo err >&2; exit 3"), toolTime, 3, "sh failed (exit status 3): err",
         outIs("out\n", "err\n")},
        {Sh("kill -TERM $$"), toolTime, 143, "sh failed (signal 15)", {}},
        {Sh("head -c 9000 /dev/zero; head -c 5000 /dev/zero | tr '\\0' x >&2; echo end >&2"),
         toolTime, 0, "sh: output over 1000 bytes: the rest dropped",
         outIs(std::string(1000, '\0'), std::string(errKept - 4, 'x') + "end\n"), 1000},
        {Sh("for f in /proc/$$/fd/*; do printf '%s ' ${f##*/}; readlink $f || echo -; done"),
         toolTime, 0, "", ownPipesOnce},
        {Sh("sleep 30 & echo $!; wait"), 1s, 137, "sh: timed out after 1 s: stopped", leftNothing},
        {Sh("sleep 30 & echo $!"), 20s, 0, "", leftNothing},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argv.back());
        const ToolResult result = RunTool(row.argv, row.timeout, row.outLimit);
        EXPECT_EQ(result.status, row.status);
        EXPECT_EQ(FailureOf(row.argv, result), row.failure);
        if (row.check) row.check(result);
    }
}

TEST(FrameTimes, TheStopMomentPlacesTheFileOnTheTape) {
    using timecode::rate25, timecode::rate30, timecode::rate30DF;
    struct Row {
        double stop;
        int recorded, in, out;
        timecode::Rate rate;
        std::string firstTc;
        int inIndex;
        std::string missing;
    };
    const std::string late = "the file starts ", early = "the file ends ";
    const std::string afterIn = " after the in point: raise CaptureHandles";
    const std::string beforeOut = " before the out point: raise CaptureHandles";
    const std::vector<Row> rows = {
        // The stop is aimed at a frame's start: a little before or after it places the file
        // alike.
        {108093.6, 97, 108000, 108090, rate30, "00:59:59:27", 3, ""},
        {108093.99, 97, 108000, 108090, rate30, "00:59:59:27", 3, ""},
        {108094.2, 97, 108000, 108090, rate30, "00:59:59:27", 3, ""},
        {108089.5, 90, 108000, 108090, rate30, "01:00:00:00", 0, ""},
        {108093.0, 92, 108000, 108090, rate30, "01:00:00:01", -1, late + "1 frame" + afterIn},
        {108088.7, 100, 108000, 108090, rate30, "00:59:59:19", 11, early + "1 frame" + beforeOut},
        {108080.0, 70, 108000, 108090, rate30, "01:00:00:10", -10,
         late + "10 frames" + afterIn + "; " + early + "10 frames" + beforeOut},
        {90077.5, 80, 90000, 90075, rate25, "00:59:59:23", 2, ""},
        {1831.0, 33, 1800, 1830, rate30DF, "00:00:59;28", 2, ""},
        {1831.0, 32, 1800, 1830, rate30DF, "00:00:59;29", 1, ""},
        {1832.0, 32, 1800, 1830, rate30DF, "00:01:00;02", 0, ""},
        {33.0, 37, 0, 30, rate30, "23:59:59:26", 4, ""},
        {100.0, 0, 0, 30, rate30, "00:00:03:10", -100, "the file holds no frames"},
        {105.0, 10, 100, 100, rate30, "00:00:03:05", 5, "the out point is not after the in point"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.stop) + " " + std::to_string(row.recorded));
        const FrameSpan t = PlaceFrames(row.stop, row.recorded, row.in, row.out, row.rate);
        EXPECT_EQ(t.firstTc, row.firstTc);
        EXPECT_EQ(t.firstFrame, row.in - row.inIndex);
        EXPECT_EQ(t.inIndex, row.inIndex);
        EXPECT_EQ(t.keep, row.out - row.in);
        EXPECT_EQ(t.missing, row.missing);
        EXPECT_EQ(t.covers, row.missing.empty());
    }
}

TEST(FrameProbe, ReadsTheCountFromRealAndOddOutputs) {
    struct Row {
        std::string out;
        std::optional<int> frames;
        std::string rate;
        double videoStart;
        std::string problem;
    };
    const std::string noCount = "no frame count in the probe's output: ";
    const std::vector<Row> rows = {
        {"streams.stream.0.r_frame_rate=\"30/1\"\nstreams.stream.0.start_time=\"0.050000\"\n"
         "streams.stream.0.nb_read_packets=\"40\"\nformat.start_time=\"0.000000\"\n",
         40, "30/1", 0.05, ""},
        {"30000/1001,40\n", 40, "30000/1001", 0, ""},
        {"160,30/1,40\n30/1,12\n", 40, "30/1", 0, ""},
        {"[STREAM]\nnb_read_frames=40\n[/STREAM]\n", 40, "", 0, ""},
        {"\r\n  40\r\n", 40, "", 0, ""},
        {"30/1,N/A\n", std::nullopt, "30/1", 0, noCount + "30/1,N/A"},
        {"-5\n99999999999\n", std::nullopt, "", 0, noCount + "-5"},
        {"", std::nullopt, "", 0, "the probe printed nothing"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.out);
        const ProbeResult facts = ParseProbe(row.out);
        EXPECT_EQ(facts.frames, row.frames);
        EXPECT_EQ(facts.rate, row.rate);
        EXPECT_DOUBLE_EQ(facts.videoStart, row.videoStart);
        EXPECT_EQ(facts.problem, row.problem);
    }
}

TEST(ClipTrim, CommandsAndNamesComeFromTheSettingsOrTheDefaults) {
    using Got = std::pair<Words, std::string>;
    const auto probe = [](std::optional<std::string> setting, bool found) {
        const ProbeCommand c = ProbeCommandOf(setting, found);
        return Got(c.words, c.problem);
    };
    const auto trim = [](std::optional<std::string> setting) {
        const TrimCommand c = TrimCommandOf(setting);
        return Got(c.words, c.problem);
    };
    const auto target = [](std::string source) { return Got({}, TrimTarget(source)); };
    const auto trimmed = [](std::string path) {
        return Got({}, IsTrimmedName(path) ? "trimmed" : "");
    };
    const auto found = [](std::string program, std::string path) {
        return Got({}, FoundOnPath(program, path) ? "found" : "");
    };
    const std::vector<std::pair<Got, Got>> rows = {
        {probe(std::nullopt, true), {DefaultProbeCommand(), ""}},
        {probe(" \t", false), {{}, "no CaptureProbe set and no ffprobe on PATH"}},
        {probe("count \"open", true), {{}, "CaptureProbe has a quote left open"}},
        {trim(" "), {DefaultTrimWords(), ""}},
        {trim("cut {source} {target}"), {{"cut", "{source}", "{target}"}, ""}},
        {target("captures/007_Take.mkv"), {{}, "captures/007_Take.trim.mkv"}},
        {target("a/b.c/clip"), {{}, "a/b.c/clip.trim"}},
        {target("dir/.mkv"), {{}, "dir/.mkv.trim"}},
        {trimmed("c/007_A.trim.mkv"), {{}, "trimmed"}},
        {trimmed("c.trim.1/007_A_trim.mkv"), {{}, ""}},
        {found("sh", "/kolb-none:/bin"), {{}, "found"}},
        {found("bin", "/"), {{}, ""}},
    };
    for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].first, rows[i].second) << i;
}

TEST(ClipTrim, KeepsExactlyTheFramesAskedForTaggedWithTheInPoint) {
    const std::map<std::string, timecode::Rate> rates = {{"30", timecode::rate30},
                                                         {"late", timecode::rate30},
                                                         {"25", timecode::rate25},
                                                         {"df", timecode::rate30DF}};
    struct Row {
        std::string source;
        int start, frames;
        std::string in;
        std::string problem; // a part of the reason; "" for a trim that must succeed
        Words trimWords = {}, probeWords = DefaultProbeCommand(); // no trim words: the default
        bool targetThere = false;
    };
    const std::vector<Row> rows = {
        {"30", 0, 5, "00:59:59:00", ""},
        {"30", 17, 6, "00:59:59:17", ""},
        {"30", 30, 10, "01:00:00:00", ""},
        {"25", 0, 40, "01:00:00:00", ""},
        {"25", 12, 13, "01:00:00:12", ""},
        {"df", 17, 23, "00:01:00;02", ""},
        {"late", 17, 3, "10:00:00:00", ""},
        {"30", 35, 10, "01:00:00:05", "the trimmed file holds 5 frames, not 10: removed"},
        {"30", 0, 5, "00:59:59:00", "exists: not overwritten", {}, {}, true},
        {"25", 0, 0, "01:00:00:00", "nothing to keep"},
        {"25",
         0,
         5,
         "01:00:00:00",
         "the trimmed file cannot be counted: kolb-no-probe: not found: removed",
         {},
         Words{"kolb-no-probe", "{path}"}},
        {"25", 0, 5, "01:00:00:00", "sh failed (exit status 2): broken",
         Words{"sh", "-c", "echo part > \"$1\"; echo broken >&2; exit 2", "sh", "{target}"}},
    };
    std::map<std::string, Words> sums;
    for (const Row& row : rows) {
        const std::string& source = Recordings().at(row.source);
        SCOPED_TRACE(source + " from " + std::to_string(row.start));
        const ProbeResult facts = ProbeFrames(DefaultProbeCommand(), source, toolTime);
        ASSERT_EQ(facts.frames, 40) << facts.problem;
        const std::string before = Slurp(source);
        const TrimJob job{source, TrimTarget(source),   row.start,       row.frames,
                          row.in, rates.at(row.source), facts.videoStart};
        if (row.targetThere) std::ofstream(job.target) << "mine";
        const std::string problem = TrimClip(row.trimWords, row.probeWords, job, toolTime);
        EXPECT_EQ(Slurp(source), before);
        EXPECT_TRUE(row.problem.empty() ? problem.empty()
                                        : problem.find(row.problem) != std::string::npos)
            << problem;
        if (!row.problem.empty()) {
            EXPECT_EQ(Slurp(job.target), row.targetThere ? "mine" : "");
            EXPECT_EQ(fs::exists(job.target), row.targetThere);
            fs::remove(job.target);
            continue;
        }
        if (!sums.count(source)) sums[source] = PictureSums(source);
        const auto from = sums[source].begin() + row.start;
        EXPECT_EQ(PictureSums(job.target), Words(from, from + row.frames));
        const Words tags = Lines(
            Output({"ffprobe", "-v", "error", "-show_entries",
                    "stream_tags=timecode:format_tags=timecode", "-of", "csv=p=0", job.target}));
        EXPECT_FALSE(tags.empty());
        for (const std::string& tag : tags) EXPECT_EQ(tag, row.in);
        fs::remove(job.target);
    }
}

TEST(Thumbnail, AFrameAsASmallJpegOrWhyNot) {
    const std::string& file = Recordings().at("30");
    const std::vector<std::tuple<std::string, int, std::string>> rows = {
        {"ffmpeg", 20, ""},
        {"kolb-no-ffmpeg", 20, "kolb-no-ffmpeg: not found"},
        {"ffmpeg", 500, "ffmpeg wrote no picture"}, // after the file's end
    };
    for (const auto& [ffmpeg, frame, problem] : rows) {
        const Thumbnail thumb = ThumbnailJpeg(ffmpeg, file, frame, timecode::rate30, toolTime);
        EXPECT_EQ(thumb.problem, problem);
        EXPECT_EQ(thumb.jpeg.empty(), !problem.empty());
        if (thumb.jpeg.empty()) continue;
        // Frame 20 of the numbered pictures, made another way.
        EXPECT_EQ(thumb.jpeg, Output({"ffmpeg", "-nostdin", "-v", "error", "-i", file, "-vf",
                                      "select=eq(n\\,20),scale=160:-2", "-frames:v", "1", "-f",
                                      "image2pipe", "-c:v", "mjpeg", "-"}));
    }
}

TEST(FrameMd5, WritesTheListBesideTheFileNeverOverAnother) {
    TempFolder tmp;
    const std::string file = tmp.path + "/007_A.mkv", list = FrameMd5Path(file);
    fs::copy_file(Recordings().at("25"), file);
    const std::string broken = tmp.path + "/broken"; // writes its last argument, then fails
    std::ofstream(broken) << "#!/bin/sh\nfor a; do last=$a; done\necho part > \"$last\"\n"
                             "echo broken >&2\nexit 2\n";
    fs::permissions(broken, fs::perms::owner_all);
    const std::vector<std::tuple<std::string, std::string, bool>> rows = {
        {broken, broken + " failed (exit status 2): broken", false},
        {"ffmpeg", "", true},
        {"ffmpeg", list + " exists: not overwritten", true},
    };
    std::string written;
    for (const auto& [ffmpeg, problem, listThere] : rows) {
        EXPECT_EQ(WriteFrameMd5(ffmpeg, file, toolTime), problem);
        EXPECT_EQ(fs::exists(list), listThere);
        if (!listThere) continue;
        if (written.empty()) {
            written = Slurp(list);
            Words sums;
            for (const std::string& line : Lines(written))
                if (line.starts_with("0,")) sums.push_back(line.substr(line.rfind(' ') + 1));
            EXPECT_EQ(sums, PictureSums(file));
        }
        EXPECT_EQ(Slurp(list), written);
    }
}

// A file's rate as a probe prints it against the deck's: 29.97 is an NTSC deck's, whatever its
// timecode counts; another rate is not, and a rate nothing gives says nothing.
TEST(FrameTimes, AFileAtAnotherRateThanTheDecksIsToldApart) {
    using timecode::rate25, timecode::rate30, timecode::rate30DF;
    struct Row {
        std::string text;
        timecode::Rate rate;
        bool agrees;
    };
    const Row rows[] = {
        {"30/1", rate30, true},  {"30000/1001", rate30, true}, {"30000/1001", rate30DF, true},
        {"25/1", rate30, false}, {"30/1", rate25, false},      {"24000/1001", rate30DF, false},
        {"25", rate25, true},    {"29.97", rate30DF, true},    {"", rate25, true},
        {"0/0", rate25, true}};
    for (const Row& row : rows) EXPECT_EQ(RateAgrees(row.text, row.rate), row.agrees) << row.text;
}
