// Capture from the log, end to end: the logger's buttons and the command language start a batch
// that drives the simulated deck through the real link and a recorder program; what it does is
// checked on the deck's wire, in the files it keeps and in the capture window.
#include "CaptureWindow.h"
#include "CommandFrames.h"
#include "NetClient.h"
#include "WindowFixture.h"

#include <QLabel>
#include <QTableWidget>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/wait.h>

using namespace windowtest;
namespace fs = std::filesystem;

namespace {

const timecode::Rate rate = timecode::rate30;
constexpr double frameMs = 1000.0 / 30;

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        lines.push_back(l);
    }
    return lines;
}

std::string Hex(std::span<const std::uint8_t> bytes) {
    std::string text;
    char pair[4];
    for (const auto b : bytes) {
        std::snprintf(pair, sizeof pair, "%02X ", b);
        text += pair;
    }
    return text;
}

// A recorder's report: when it started, got SIGINT, and its arguments.
struct Report {
    Clock::time_point started{};
    std::optional<Clock::time_point> sigint;
    std::vector<std::string> args;
};

Report ReadReport(const fs::path& path) {
    Report r;
    for (const auto& line : Lines(Slurp(path))) {
        const auto blank = line.find(' ');
        const std::string word = line.substr(0, blank);
        const std::string rest = blank == std::string::npos ? "" : line.substr(blank + 1);
        const auto at = [&] {
            return Clock::time_point(std::chrono::nanoseconds(std::stoll(rest)));
        };
        if (word == "started") r.started = at();
        if (word == "sigint") r.sigint = at();
        if (word == "arg") r.args.push_back(rest);
    }
    return r;
}

} // namespace

class CaptureWindowTest : public Window {
protected:
    // A deck that cues in 200 ms, a second of preroll, and the test recorder noting its run
    // next to the clip's files.
    void startCapturing(const std::string& recorder = "", const std::string& options = "",
                        bool dropFrame = false, int leadFrames = 0) {
        Settings s;
        s.CaptureCommand = recorder.empty()
                               ? std::string(TEST_RECORDER) + " --report {file}.report " + options +
                                     " {event} {name} {tape} {in} {out} {duration} "
                                     "{frames} {seconds} {rate}"
                               : recorder;
        if (recorder == "none") s.CaptureCommand.reset();
        s.PRString = "00:00:01:00";
        s.captureLead = leadFrames;
        // The test recorder writes no picture: nothing to count.
        s.CaptureProbe = "NO";
        if (moreSettings) moreSettings(s);
        s.netserver = true;
        s.netport = 0;
        DeckSim::Options opts;
        opts.deck.seekMs = 200;
        if (dropFrame) {
            s.FrameRate = "30DF";
            s.framerate = timecode::rate30DF;
            opts.deck.rate = {30, true};
        }
        fs::remove_all("captures");
        start(s, opts);
        // Start-up enables the button through the window's queue, maybe after it has ended.
        ASSERT_TRUE(waitFor([this] { return gui->loggerButton()->isEnabled(); }, 10s));
        QTest::mouseClick(gui->loggerButton(), Qt::LeftButton);
        ASSERT_TRUE(waitFor([this] { return gui->logger() != nullptr; })) << "no logger";
        logger = gui->logger();
    }
    // Logs clips: {name, in, out} in events 1, 2, ...; and the tape, typed as the operator does.
    void logClips(const std::vector<std::array<std::string, 3>>& clips) {
        for (size_t i = 0; i < clips.size(); ++i) {
            logger->eventList().ClipNameArray[i] = clips[i][0];
            logger->eventList().SrcInArray[i] = clips[i][1];
            logger->eventList().SrcOutArray[i] = clips[i][2];
        }
        logger->tapeField()->setFocus();
        logger->tapeField()->setText("Reel 7");
        QTest::keyClick(logger->tapeField(), Qt::Key_Return);
    }
    bool waitForEnd(std::chrono::seconds deadline = 90s) {
        return waitFor([this] { return vcr->capture().batch().progress().ended; }, deadline);
    }
    bool waitForState(size_t clip, ClipState state) {
        return waitFor(
            [&] {
                const auto p = vcr->capture().batch().progress();
                return clip < p.clips.size() && p.clips[clip].state == state;
            },
            60s);
    }
    std::vector<std::string> states() {
        std::vector<std::string> out;
        for (const auto& c : vcr->capture().batch().progress().clips) out.push_back(StateText(c));
        return out;
    }
    // The state column of the capture window, once it has looked at the batch again.
    std::vector<std::string> windowStates() {
        CaptureWindow* w = gui->captureWindow();
        if (w == nullptr) return {};
        w->refresh();
        std::vector<std::string> out;
        for (int r = 0; r < w->table()->rowCount(); ++r)
            out.push_back(w->table()->item(r, 6)->text().toStdString());
        return out;
    }
    // A fault of the deck switched on while the first clip records, and off once it has ended.
    void whileRecording(bool local) {
        const auto set = [this, local](bool on) {
            if (local)
                sim->setLocal(on);
            else
                sim->setFrozen(on);
        };
        set(true);
        waitFor(
            [this] {
                return vcr->capture().batch().progress().clips[0].state != ClipState::Recording;
            },
            30s);
        set(false);
    }
    // The first clip's test recorder is running and has set up its signals.
    bool recorderUp() {
        return waitFor(
            [] { return Slurp("captures/001_One.report").find("started") != std::string::npos; },
            10s);
    }
    bool said(size_t mark, const std::string& line) {
        const auto lines = consoleSince(mark);
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    LoggerGUI* logger = nullptr;
    std::function<void(Settings&)> moreSettings;
};

// Three clips in a batch: each cued at its in point less the preroll, the recorder started
// as the deck reached the in point and stopped as it reached the out point, its
// arguments, output, timecode map and the capture log as they should be; names that are not
// file names made safe, a file there before kept.
TEST_F(CaptureWindowTest, ABatchIsCapturedAtItsPointsAndKeepsItsFiles) {
    startCapturing();
    logClips({{"Inter view/1", "00:00:10:00", "00:00:11:00"},
              {"..", "00:00:20:15", "00:00:21:15"},
              {"Café \"東\"", "00:00:30:00", "00:00:31:10"}});
    fs::create_directories("captures");
    std::ofstream("captures/003_Caf________.mkv") << "an earlier capture";

    // Before a capture: the status is idle; during it, a client's Play is refused, GetTC answered.
    const size_t mark = consoleLines().size();
    Client client(vcr->serverPort());
    ASSERT_TRUE(client.connected);
    ASSERT_TRUE(client.line().has_value());
    ASSERT_TRUE(client.send("CaptureStatus\n"));
    EXPECT_EQ(client.line(), "idle");
    QTest::mouseClick(logger->captureAllButton(), Qt::LeftButton);
    ASSERT_TRUE(waitForState(1, ClipState::Recording));
    ASSERT_TRUE(client.send("CaptureStatus\nPlay\nGetTC\n"));
    EXPECT_EQ(client.line(), "capturing 2 of 3 002_..");
    EXPECT_TRUE(client.line().has_value()) << "GetTC answered";
    press("Play >");
    QTest::keyClick(gui, Qt::Key_Space);
    QTest::keyClick(gui, Qt::Key_L);
    ASSERT_TRUE(settle());
    const auto said = consoleSince(mark);
    EXPECT_NE(std::find(said.begin(), said.end(), "Capture running"), said.end())
        << testing::PrintToString(said);
    ASSERT_TRUE(waitForEnd());
    ASSERT_TRUE(client.send("CaptureStatus\n"));
    EXPECT_EQ(client.line(), "done 3 of 3, 0 failed");
    EXPECT_EQ(windowStates(), (std::vector<std::string>{"done", "done", "done"}));
    EXPECT_EQ(gui->captureWindow()->summaryLabel()->text().toStdString(), "Captured 3 of 3 clips");
    for (int r = 0; r < 3; ++r)
        EXPECT_EQ(gui->captureWindow()->table()->item(r, 5)->text().toStdString(),
                  "0: ended normally (accepted)")
            << "the Exit column";

    // The wire: per clip Stop, the cue frame at in less a second, Play, Stop; nothing else.
    const int ins[] = {300, 615, 900}, outs[] = {330, 645, 940};
    Frames expected;
    for (const int in : ins)
        expected.insert(expected.end(), {Hex(CommandFrames::bsstop),
                                         Hex(*CueFrame(timecode::TimeText(in - 30, rate))),
                                         Hex(CommandFrames::bsplay), Hex(CommandFrames::bsstop)});
    EXPECT_EQ(trace->commandBytes(), expected);

    const std::string stems[] = {"001_Inter_view_1", "002_..", "003_Caf_________2"};
    const auto log = Lines(Slurp("captures/capture_log.csv"));
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0], "Date,Event,Name,Tape,In,Out,Start,Stop,Frames,Exit,Problems,Files,"
                      "Exit meaning,Recorded,First frame,Pass");
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(stems[i]);
        const fs::path base = "captures/" + stems[i];
        const Report r = ReadReport(base.string() + ".report");
        ASSERT_TRUE(r.sigint.has_value());
        // The deck plays from the cue point (in less the preroll) from the moment its Play
        // arrived: where it was when the recorder started and got its SIGINT, within two frames
        // (a busy machine's wake-up; kolb_capture_bench measures how close they come).
        const auto play = trace->commands()[4 * i + 2];
        ASSERT_EQ(play.bytes, Hex(CommandFrames::bsplay));
        const auto deckAt = [&](Clock::time_point t) {
            return ins[i] - 30 +
                   std::chrono::duration<double, std::milli>(t - play.at).count() / frameMs;
        };
        EXPECT_NEAR(deckAt(r.started), ins[i], 2.0);
        EXPECT_NEAR(deckAt(*r.sigint), outs[i], 2.0);
        // The timecode map: every read with its moment since the start agrees with play speed.
        const auto map = Lines(Slurp(base.string() + ".timecode.csv"));
        ASSERT_GE(map.size(), 10u);
        for (const auto& line : map) {
            const long long ms = std::stoll(line.substr(0, line.find(',')));
            const int frames = *timecode::FrameCount(line.substr(line.find(',') + 1, 11), rate);
            EXPECT_NEAR(frames - ins[i], ms / frameMs, 2.0) << line;
            // The status in hex, then no frame of a file whose frames were not counted.
            EXPECT_EQ(line.size(), line.find(',', line.find(',') + 1) + 1 + 2 * 9 + 1) << line;
        }
        EXPECT_EQ(Lines(Slurp(base.string() + ".recorder.txt")),
                  (std::vector<std::string>{"recording", "recording (standard error)"}));
        // Its line of the log.
        EXPECT_EQ(log[i + 1].substr(19, 1), ",");
        EXPECT_NE(log[i + 1].find(",Reel 7," + timecode::TimeText(ins[i], rate) + "," +
                                  timecode::TimeText(outs[i], rate) + ","),
                  std::string::npos)
            << log[i + 1];
        EXPECT_NE(log[i + 1].find("," + std::to_string(outs[i] - ins[i]) + ",0,,"),
                  std::string::npos)
            << log[i + 1];
        EXPECT_NE(log[i + 1].find(base.string() + ".recorder.txt; " + base.string() + ".report; " +
                                  base.string() + ".report.md5; " + base.string() +
                                  ".timecode.csv"),
                  std::string::npos)
            << log[i + 1];
    }
    EXPECT_EQ(Slurp("captures/003_Caf________.mkv"), "an earlier capture");
    // Each placeholder, for the first clip.
    EXPECT_EQ(ReadReport("captures/001_Inter_view_1.report").args,
              (std::vector<std::string>{"--report", "captures/001_Inter_view_1.report", "001",
                                        "Inter view/1", "Reel 7", "00:00:10:00", "00:00:11:00",
                                        "00:00:01:00", "30", "1.000", "30"}));
    EXPECT_NE(log[2].find(",002,..,Reel 7,"), std::string::npos) << log[2];
    EXPECT_NE(log[3].find("\"Café \"\"東\"\"\""), std::string::npos) << log[3];
}

// Each problem a clip can meet, made by the deck or the recorder while the first of two clips
// records: the clip's state and reason, and whether the batch went on to the second.
TEST_F(CaptureWindowTest, EachProblemFailsItsClipAndStopsTheBatchOnlyWhenItMust) {
    // What goes wrong while the first clip records (or, PastIn, plays towards its in point).
    enum class Fault { None, PastIn, Break, Frozen, Local, Cancel, Close };
    struct Row {
        const char* what;
        std::string recorder; // "" the test recorder with options; "none" no CaptureCommand
        std::string options;
        Fault fault;
        std::vector<std::string> states; // "...*" matches a prefix
    };
    const Row rows[] = {
        {"deck past the in point",
         "",
         "",
         Fault::PastIn,
         {"failed: deck was past the in point at *", "done"}},
        {"timecode break", "", "", Fault::Break, {"failed: timecode break at *", "done"}},
        {"deck stopped", "", "", Fault::Frozen, {"failed: deck stopped during capture", "done"}},
        {"LOCAL", "", "", Fault::Local, {"failed: deck not under control", "not captured"}},
        {"recorder ended early",
         "",
         "--exit-after 300 3",
         Fault::None,
         {"failed: recorder ended early, status 3: error (not accepted)",
          "failed: recorder ended early, status 3: error (not accepted)"}},
        {"no such recorder",
         "/nonexistent/kolb-recorder {file}.mkv",
         "",
         Fault::None,
         {"failed: recorder did not start: recorder program /nonexistent/kolb-recorder not found: "
          "check its path in CaptureCommand",
          "not captured"}},
        {"cancel", "", "", Fault::Cancel, {"cancelled", "not captured"}},
        {"program closed", "", "", Fault::Close, {"cancelled", "not captured"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        startCapturing(row.recorder, row.options);
        logClips({{"One", "00:00:10:00", "00:00:12:00"}, {"Two", "00:00:20:00", "00:00:21:00"}});
        QTest::mouseClick(logger->captureAllButton(), Qt::LeftButton);
        if (row.fault == Fault::PastIn) {
            // Played from the cue point, the deck leaps 2 s ahead before the in point.
            ASSERT_TRUE(trace->waitForCommands(3, 10000));
            sim->jump(60);
        } else if (row.fault != Fault::None) {
            ASSERT_TRUE(waitForState(0, ClipState::Recording));
        }
        switch (row.fault) {
        case Fault::Break:
            sim->jump(15);
            break;
        case Fault::Frozen:
            whileRecording(false);
            break;
        case Fault::Local:
            whileRecording(true);
            break;
        case Fault::Cancel:
            ASSERT_TRUE(recorderUp());
            QTest::mouseClick(gui->captureWindow()->cancelButton(), Qt::LeftButton);
            break;
        case Fault::Close:
            ASSERT_TRUE(recorderUp());
            gui->close();
            ASSERT_TRUE(waitForExit());
            break;
        default:
            break;
        }
        ASSERT_TRUE(waitForEnd());
        const auto got = windowStates();
        ASSERT_EQ(got.size(), row.states.size());
        for (size_t i = 0; i < got.size(); ++i) {
            const std::string& want = row.states[i];
            if (want.back() == '*')
                EXPECT_EQ(got[i].substr(0, want.size() - 1), want.substr(0, want.size() - 1));
            else
                EXPECT_EQ(got[i], want);
        }
        // The deck is stopped at the end, also when LOCAL had ended the batch: then the Stop
        // goes again once it is back. The clip's line in the log says what happened.
        const Frames wire = trace->commandBytes();
        if (row.recorder.starts_with("/nonexistent")) {
            EXPECT_TRUE(wire.empty()) << "the deck moved for a recorder that is not there";
        } else {
            ASSERT_FALSE(wire.empty());
            EXPECT_EQ(wire.back(), Hex(CommandFrames::bsstop));
        }
        EXPECT_TRUE(waitFor([this] { return sim->snapshot().mode == DeckModel::Mode::Stop; }, 10s))
            << "the deck plays on";
        const auto log = Lines(Slurp("captures/capture_log.csv"));
        ASSERT_GE(log.size(), 2u);
        const std::string reason =
            row.states[0] == "cancelled" ? "cancelled" : row.states[0].substr(8, 18);
        EXPECT_NE(log[1].find(reason), std::string::npos) << log[1];
        if (row.states[0] == "cancelled") {
            // Stopped as at the out point, its files kept and named in its line.
            const Report r = ReadReport("captures/001_One.report");
            EXPECT_TRUE(r.sigint.has_value());
            EXPECT_NE(log[1].find("captures/001_One.recorder.txt"), std::string::npos);
            EXPECT_TRUE(fs::exists("captures/001_One.timecode.csv"));
        }
        finish();
    }

    // A review moving the deck is not taken over: a capture waits until it is stopped.
    startCapturing();
    logClips({{"One", "00:00:10:00", "00:00:12:00"}});
    gui->inField()->setText("00:00:30:00");
    gui->outField()->setText("00:00:40:00");
    QTest::mouseClick(gui->button("Review"), Qt::LeftButton);
    ASSERT_TRUE(waitFor([this] { return vcr->cueControlsLocked(); }));
    QTest::mouseClick(logger->captureAllButton(), Qt::LeftButton);
    EXPECT_EQ(logger->messageLabel()->text().toStdString(),
              "A cue, review or script is running: stop it, then capture");
    EXPECT_EQ(gui->captureWindow(), nullptr);
    finish();

    // With no recorder set, the buttons say so and nothing moves.
    startCapturing("none");
    logClips({{"One", "00:00:10:00", "00:00:12:00"}});
    QTest::mouseClick(logger->captureButton(), Qt::LeftButton);
    EXPECT_EQ(logger->messageLabel()->text().toStdString(), "No CaptureCommand in the settings");
    EXPECT_EQ(gui->captureWindow(), nullptr);
    EXPECT_TRUE(trace->commandBytes().empty());
}

// A real recorder: ffmpeg records a generated picture for a clip of 3 seconds with 10 frames of
// handles, started and stopped by the deck's timecode. KOLB counts the file's frames, places them
// on the tape's timecode and cuts a copy of exactly the clip tagged with its in point; each file
// has a checksum md5sum accepts, and the report shows the clip with its picture.
TEST_F(CaptureWindowTest, FfmpegRecordsTheClipWithHandlesAndATrimmedCopyOfExactlyItsFrames) {
    // The first ffmpeg on a fresh machine reads its libraries from the disk, which took half a
    // second once: one run beforehand, so what the clip shows is the recorder's own start.
    ASSERT_EQ(std::system("ffmpeg -nostdin -v error -f lavfi -i testsrc2=size=320x240:rate=30 "
                          "-frames:v 1 -c:v ffv1 -f null -"),
              0);
    moreSettings = [](Settings& s) {
        s.CaptureProbe.reset();
        s.captureHandles = 10;
        s.captureTrim = true;
    };
    startCapturing("ffmpeg -nostdin -v error -re -f lavfi -i "
                   "testsrc2=size=320x240:rate={rate} -c:v ffv1 -g 1 {file}.mkv");
    logClips({{"Harbour", "00:00:10:00", "00:00:13:00"}});
    QTest::mouseClick(logger->captureButton(), Qt::LeftButton);
    ASSERT_TRUE(waitForEnd());
    ASSERT_EQ(windowStates(), (std::vector<std::string>{"done"}))
        << Slurp("captures/001_Harbour.recorder.txt");
    const auto probe = [](const std::string& file) {
        FILE* p = ::popen(("ffprobe -v error -count_packets -show_entries stream=nb_read_packets:"
                           "stream_tags=timecode:format_tags=timecode "
                           "-of default=noprint_wrappers=1 " +
                           file)
                              .c_str(),
                          "r");
        std::string out;
        char buffer[256];
        while (p && std::fgets(buffer, sizeof buffer, p)) out += buffer;
        if (p) ::pclose(p);
        return out;
    };
    const std::string trimmed = probe("captures/001_Harbour.trim.mkv");
    EXPECT_NE(trimmed.find("nb_read_packets=90\n"), std::string::npos) << trimmed;
    EXPECT_NE(trimmed.find("TIMECODE=00:00:10:00"), std::string::npos) << trimmed;
    // The handled original is kept; its frames and first frame's true timecode are in the log.
    const std::string handled = probe("captures/001_Harbour.mkv");
    const auto at = handled.find("nb_read_packets=");
    ASSERT_NE(at, std::string::npos) << handled;
    const int frames = std::stoi(handled.substr(at + 16));
    EXPECT_GE(frames, 90 + 10) << "the clip and at least the handles after it";
    const auto log = Lines(Slurp("captures/capture_log.csv"));
    ASSERT_EQ(log.size(), 2u);
    EXPECT_NE(log[1].find("," + std::to_string(frames) + ",00:00:09:"), std::string::npos)
        << log[1] << ": the frames and a first frame in the handles";
    EXPECT_EQ(std::system("cd captures && md5sum --quiet -c 001_Harbour.mkv.md5 && "
                          "md5sum --quiet -c 001_Harbour.trim.mkv.md5"),
              0);
    const std::string report = Slurp("captures/capture_report.html");
    EXPECT_NE(report.find("001_Harbour.trim.mkv"), std::string::npos);
    EXPECT_NE(report.find("data:image/jpeg;base64,"), std::string::npos);
    EXPECT_EQ(report.find("<script"), std::string::npos);
}

// Unattended: a script's CaptureAll goes on to its next line once the batch has ended, and
// before any logger was opened it says there is no log.
TEST_F(CaptureWindowTest, AScriptsCaptureAllReturnsWhenTheBatchHasEnded) {
    Settings s;
    s.CaptureCommand = std::string(TEST_RECORDER);
    start(s);
    std::ofstream("Script.txt") << "CaptureAll\n";
    const size_t mark = consoleLines().size();
    press("SCRIPT");
    const auto said = consoleSince(mark);
    EXPECT_NE(std::find(said.begin(), said.end(), "No log to capture"), said.end())
        << testing::PrintToString(said);
    finish();

    // At 29.97 drop-frame: the preroll and the placeholders count at that rate; the recorder
    // starts CaptureLead frames before the in point.
    startCapturing("", "", true, 5);
    logClips({{"One", "00:01:00;02", "00:01:01;02"}});
    std::ofstream("Script.txt") << "CaptureAll\nSbyOn\n";
    QTest::mouseClick(gui->button("SCRIPT"), Qt::LeftButton);
    ASSERT_TRUE(waitForEnd());
    // SbyOn reaches the deck after the batch's last Stop: the script waited for the end.
    ASSERT_TRUE(trace->waitForCommands(5, 10000));
    const Frames wire = trace->commandBytes();
    ASSERT_EQ(wire.size(), 5u);
    EXPECT_EQ(wire[1], Hex(*CueFrame("00:00:59:00"))); // 30 frames before 00:01:00;02
    EXPECT_EQ(wire[3], Hex(CommandFrames::bsstop));
    EXPECT_EQ(wire[4], Hex(CommandFrames::bssbyon));
    EXPECT_EQ(windowStates(), (std::vector<std::string>{"done"}));
    const Report r = ReadReport("captures/001_One.report");
    const double played =
        std::chrono::duration<double, std::milli>(r.started - trace->commands()[2].at).count();
    EXPECT_NEAR(played / (1001.0 / 30), 30 - 5, 2.0) << "started 5 frames before the in point";
    EXPECT_EQ(r.args, (std::vector<std::string>{"--report", "captures/001_One.report", "001", "One",
                                                "Reel 7", "00:01:00;02", "00:01:01;02",
                                                "00:00:01;00", "30", "1.001", "30000/1001"}));
    std::filesystem::remove("Script.txt");
}

// LoadList with nobody at the window: the list goes into the logger (a new one when none is
// open) with no dialog, a script's next line runs once it is in or refused, a client is
// answered its line; a log with changes not saved is never replaced.
TEST_F(CaptureWindowTest, LoadListLoadsAListForTheNextLineOrSaysWhyNot) {
    const fs::path folder = fs::absolute("lists of day 2");
    fs::create_directories(folder);
    std::ofstream(folder / "reel 9.edl")
        << "TITLE: Reel 9\r\nFCM: NON-DROP FRAME\r\n\r\n"
           "001  Reel_9   AA/V  C        00:00:10:00 00:00:11:00 01:00:00:00 01:00:01:00\r\n"
           "* FROM CLIP NAME: Gull\r\n* TAPE: Reel 9\r\n";
    struct Row {
        bool unsaved;     // a clip logged and not saved; else the logger is closed
        const char* file; // in the folder
        bool client;      // sent by a network client; else a script with CaptureAll next
        std::string said;
        std::string captured; // the names CaptureAll captured, a blank before each
    };
    const Row rows[] = {
        {false, "reel 9.edl", false, "Loaded 1 event from reel 9.edl.", " Gull"},
        {true, "reel 9.edl", false,
         "The log has changes not saved: save or close it in the window, then LoadList again",
         " One"},
        {false, "nope.edl", true,
         std::string("Could not load nope.edl: FileStreamError: ") + std::strerror(ENOENT) +
             ". The log is as it was.",
         ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.said);
        startCapturing();
        if (row.unsaved)
            logClips({{"One", "00:00:30:00", "00:00:31:00"}});
        else
            logger->close();
        const StatusLog status(gui->statusField());
        const size_t mark = consoleLines().size();
        const std::string line = "LoadList " + (folder / row.file).string();
        if (row.client) {
            Client client(vcr->serverPort());
            ASSERT_TRUE(client.connected && client.line().has_value());
            ASSERT_TRUE(client.send(line + "\n"));
            // The window loads it: its events are handled while the answer is awaited.
            std::optional<std::string> answer;
            waitFor([&] { return (answer = client.line(10ms)).has_value(); }, 10s);
            EXPECT_EQ(answer, row.said);
        } else {
            std::ofstream("Script.txt") << line << "\nCaptureAll\n";
            press("SCRIPT"); // returns once the script has ended
        }
        EXPECT_TRUE(waitFor([&] { return status.has(row.said); })) << status.last();
        EXPECT_TRUE(said(mark, row.said));
        ASSERT_TRUE(gui->logger()->isVisible());
        EXPECT_EQ(gui->logger()->messageLabel()->text().toStdString(), row.said);
        std::string captured;
        for (const auto& clip : vcr->capture().batch().progress().clips)
            captured += " " + clip.clip.name;
        EXPECT_EQ(captured, row.captured);
        EXPECT_TRUE(shown.empty()) << "no message box";
        finish();
    }
    fs::remove_all(folder);
    fs::remove("Script.txt");
}

// Capture Failed: the clips of the last batch that did not end done, and only those, captured
// again as that batch had them, one pass on, into new files; said why when there are none.
TEST_F(CaptureWindowTest, CaptureFailedCapturesAgainWhatTheLastBatchDidNot) {
    const auto refused = [this](const std::string& why) {
        QTest::mouseClick(logger->captureFailedButton(), Qt::LeftButton);
        EXPECT_EQ(logger->messageLabel()->text().toStdString(), why);
        EXPECT_FALSE(vcr->capture().running());
    };
    startCapturing();
    refused("No capture has run yet");
    // The first of two clips fails (a timecode break while it records); the log changes after
    // the batch, and a script's CaptureFailed still takes that batch's clip, then goes on.
    logClips({{"One", "00:00:10:00", "00:00:12:00"}, {"Two", "00:00:20:00", "00:00:21:00"}});
    QTest::mouseClick(logger->captureAllButton(), Qt::LeftButton);
    ASSERT_TRUE(waitForState(0, ClipState::Recording));
    sim->jump(15);
    ASSERT_TRUE(waitForEnd());
    const auto first = vcr->capture().batch().progress().clips;
    ASSERT_TRUE(first[0].state == ClipState::Failed && first[1].state == ClipState::Done);
    logClips({{"Other", "00:00:40:00", "00:00:41:00"}});
    trace->clear();
    const size_t mark = consoleLines().size();
    std::ofstream("Script.txt") << "CaptureFailed\nSbyOn\n";
    press("SCRIPT");
    const auto again = vcr->capture().batch().progress().clips;
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].clip, first[0].clip);
    EXPECT_EQ(StateText(again[0]), "done");
    EXPECT_EQ(again[0].stem, "001_One_2");
    EXPECT_EQ(vcr->capture().batch().lastSettings().pass, 2);
    EXPECT_TRUE(said(mark, "Capture pass 2: 1 clip again"));
    // SbyOn reaches the deck after the batch's last Stop: the script waited for the end.
    EXPECT_EQ(trace->commandBytes(),
              (Frames{Hex(CommandFrames::bsstop), Hex(*CueFrame("00:00:09:00")),
                      Hex(CommandFrames::bsplay), Hex(CommandFrames::bsstop),
                      Hex(CommandFrames::bssbyon)}));
    // The last batch, the second, captured its every clip.
    refused("No failed clips to capture again: the last batch captured every clip");
    fs::remove("Script.txt");
}
