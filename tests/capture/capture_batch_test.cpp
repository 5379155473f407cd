// A batch's decisions against a deck made in the test: which problem fails only its clip and
// which ends the batch, where the deck is cued and the recorder started, the progress from clip
// to clip, and every column of the capture log, read back as a spreadsheet reads it. The deck
// plays in real time; the waits for it are measured by a clock the test can move on.
#include "CaptureBatch.h"
#include "CaptureLog.h"
#include "ClipWatch.h"
#include "CsvReader.h"
#include "FrameProbe.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <regex>
#include <sys/mount.h>
#include <thread>

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

const timecode::Rate rate = timecode::rate30;
constexpr double frameMs = 1000.0 / 30;

// The waits' clock: the steady clock, moved on by what the test adds.
struct TestClock {
    std::atomic<long long> aheadMs{0};
    Clock::time_point now() const { return Clock::now() + std::chrono::milliseconds(aheadMs); }
};

// A deck that cues at once and plays at 30 frames a second, its time read every 10 ms. stuckCue:
// the cue of that number (from 1) never completes; each look at it moves the test clock on 10 s.
class FakeDeck : public CaptureDeck {
public:
    explicit FakeDeck(TestClock& c) : clock(c), reader([this] { readLoop(); }) {}
    ~FakeDeck() override {
        ending = true;
        reader.join();
    }
    timecode::Rate captureRate() const override { return rate; }
    void stopDeck() override {
        std::lock_guard lock(mutex);
        position = positionLocked();
        playing = false;
        if (onStop) onStop();
    }
    void playDeck() override {
        std::lock_guard lock(mutex);
        playFrom = position;
        playAt = Clock::now();
        playing = true;
    }
    void cueDeck(int frames) override {
        std::lock_guard lock(mutex);
        position = frames;
        playing = false;
        cues.push_back(frames);
        stuck = static_cast<int>(cues.size()) == stuckCue;
        if (onCue) onCue();
    }
    bool cuedUp() const override {
        if (stuck) clock.aheadMs += 10000;
        return !stuck;
    }
    bool underControl() const override { return control; }
    void watchReads(std::function<void(const DeckRead&)> w) override {
        std::lock_guard lock(watchMutex);
        watcher = std::move(w);
    }
    void say(const std::string& text) override {
        std::lock_guard lock(mutex);
        said.push_back(text);
    }
    std::vector<int> cuesSent() {
        std::lock_guard lock(mutex);
        return cues;
    }
    std::vector<std::string> saidLines() {
        std::lock_guard lock(mutex);
        return said;
    }

    std::atomic<bool> control{true};
    std::atomic<int> stuckCue{0};
    // Called on the batch's thread as the deck is cued and stopped.
    std::function<void()> onCue;
    std::function<void()> onStop;

private:
    int positionLocked() const {
        if (!playing) return position;
        return playFrom +
               static_cast<int>(
                   std::chrono::duration<double, std::milli>(Clock::now() - playAt).count() /
                   frameMs);
    }
    void readLoop() {
        while (!ending) {
            int frames;
            {
                std::lock_guard lock(mutex);
                frames = positionLocked();
            }
            {
                std::lock_guard lock(watchMutex);
                const auto at = Clock::now();
                if (watcher) watcher({frames, timecode::TimeText(frames, rate), at, at, {0, 0}});
            }
            std::this_thread::sleep_for(10ms);
        }
    }

    TestClock& clock;
    mutable std::mutex mutex;
    int position = 0;
    int playFrom = 0;
    Clock::time_point playAt{};
    bool playing = false;
    std::atomic<bool> stuck{false};
    std::vector<int> cues;
    std::vector<std::string> said;
    std::mutex watchMutex;
    std::function<void(const DeckRead&)> watcher;
    std::atomic<bool> ending{false};
    std::thread reader;
};

struct TempFolder {
    std::string path = [] {
        char name[] = "/tmp/kolb-batch-XXXXXX";
        return std::string(mkdtemp(name));
    }();
    ~TempFolder() { fs::remove_all(path); }
};

CaptureClip Clip(int event, const std::string& name, int in, int out) {
    return {event, name, timecode::TimeText(in, rate), timecode::TimeText(out, rate), in, out};
}

// The capture log's records, its header first.
std::vector<std::vector<std::string>> ReadLog(const std::string& folder) {
    std::ifstream file(folder + "/capture_log.csv", std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(file), {}};
    TextSource source(text);
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> fields;
    int lines = 0;
    bool cut = false;
    while (ReadCsvRecord(source, fields, lines, cut)) records.push_back(fields);
    return records;
}

std::vector<std::string> States(const CaptureProgress& p) {
    std::vector<std::string> out;
    for (const auto& c : p.clips) out.push_back(StateText(c));
    return out;
}

// "...*" matches a text that starts so.
void ExpectLike(const std::vector<std::string>& got, const std::vector<std::string>& want) {
    ASSERT_EQ(got.size(), want.size()) << testing::PrintToString(got);
    for (size_t i = 0; i < got.size(); ++i) {
        if (!want[i].empty() && want[i].back() == '*')
            EXPECT_EQ(got[i].substr(0, want[i].size() - 1), want[i].substr(0, want[i].size() - 1));
        else
            EXPECT_EQ(got[i], want[i]);
    }
}

bool Eventually(const std::function<bool()>& done) {
    const auto deadline = Clock::now() + 60s;
    while (Clock::now() < deadline) {
        if (done()) return true;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

bool WaitForEnd(const CaptureBatch& batch) {
    return Eventually([&] { return !batch.running() && batch.progress().ended; });
}

CaptureSettings Recording(const std::string& folder) {
    CaptureSettings s;
    s.command = {TEST_RECORDER, "--output", "{file}.out", "{file}"};
    s.folder = folder;
    s.prerollFrames = 9;
    s.tape = "Reel, \"7\"";
    return s;
}

} // namespace

// Row by row, what a problem does to its clip and to the rest of the batch, what the batch says
// at its end and what the log keeps of the clip; then a second batch on the same deck, the
// problem gone, captures every clip: nothing of the first is left over.
TEST(CaptureBatch, EachProblemFailsItsClipOrEndsTheBatchAndTheNextBatchStartsClean) {
    enum class Fault {
        None,
        NeverCues,
        NoControl,
        LocalAtCue,
        NoFolder,
        NoProgram,
        NoRoom,
        NoOutput,
        EmptyOutput,
        StatusNotAccepted,
        MapTaken,
        TrimFails,
        LongName,
        CancelAtCue,
        CancelAtSecondCue
    };
    struct Row {
        const char* what;
        Fault fault;
        std::vector<std::string> states;
        std::string summary;
        bool deckMoved = true; // the deck was cued for the first clip
    };
    const Row rows[] = {
        {"no problem", Fault::None, {"done", "done"}, "Captured 2 of 2 clips"},
        {"a deck that never cues up fails only its clip",
         Fault::NeverCues,
         {"failed: deck did not cue up", "done"},
         "Captured 1 of 2 clips, 1 failed"},
        {"a deck not under control ends the batch",
         Fault::NoControl,
         {"failed: deck not under control", "not captured"},
         "Captured 0 of 2 clips, 1 failed, 1 not captured",
         false},
        {"LOCAL while a clip cues ends the batch, and the deck is stopped once it is back",
         Fault::LocalAtCue,
         {"failed: deck not under control", "not captured"},
         "Captured 0 of 2 clips, 1 failed, 1 not captured"},
        {"a capture folder that cannot be made ends the batch before the deck moves",
         Fault::NoFolder,
         {"failed: recorder did not start: *", "not captured"},
         "Captured 0 of 2 clips, 1 failed, 1 not captured",
         false},
        {"a recorder program that is not there ends the batch before the deck moves",
         Fault::NoProgram,
         {"failed: recorder did not start: recorder program kolb-no-such-recorder not found*",
          "not captured"},
         "Captured 0 of 2 clips, 1 failed, 1 not captured",
         false},
        {"no room for the clip ends the batch before the deck moves",
         Fault::NoRoom,
         {"failed: not enough room in *", "not captured"},
         "Captured 0 of 2 clips, 1 failed, 1 not captured",
         false},
        {"a recorder that wrote no file fails its clip",
         Fault::NoOutput,
         {"failed: the recorder wrote no file: see 001_One.recorder.txt",
          "failed: the recorder wrote no file: see 002_Two.recorder.txt"},
         "Captured 0 of 2 clips, 2 failed"},
        {"an empty file fails its clip",
         Fault::EmptyOutput,
         {"failed: 001_One.out is empty: see 001_One.recorder.txt",
          "failed: 002_Two.out is empty: see 002_Two.recorder.txt"},
         "Captured 0 of 2 clips, 2 failed"},
        {"a status the settings do not accept fails its clip",
         Fault::StatusNotAccepted,
         {"failed: recorder ended with status 0: *", "failed: recorder ended with status 0: *"},
         "Captured 0 of 2 clips, 2 failed"},
        {"a timecode map that cannot be written fails its clip",
         Fault::MapTaken,
         {"failed: timecode map not written: File exists",
          "failed: timecode map not written: File exists"},
         "Captured 0 of 2 clips, 2 failed"},
        {"a trimmed copy that cannot be made fails its clip",
         Fault::TrimFails,
         {"failed: trimmed copy not made: *", "failed: trimmed copy not made: *"},
         "Captured 0 of 2 clips, 2 failed"},
        {"a name too long for a file name is shortened",
         Fault::LongName,
         {"done", "done"},
         "Captured 2 of 2 clips"},
        {"a cancel while the first clip cues",
         Fault::CancelAtCue,
         {"cancelled", "not captured"},
         "Captured 0 of 2 clips, 1 cancelled, 1 not captured"},
        {"a cancel while the second clip cues",
         Fault::CancelAtSecondCue,
         {"done", "cancelled"},
         "Captured 1 of 2 clips, 1 cancelled"},
    };
    const std::vector<CaptureClip> clips = {Clip(1, "One", 60, 69), Clip(2, "Two", 90, 96)};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        // What the deck's calls capture outlives the batch's thread, which ends first.
        int cuesSeen = 0;
        TempFolder folder;
        TestClock clock;
        FakeDeck deck(clock);
        CaptureBatch batch(deck, [&clock] { return clock.now(); });
        CaptureSettings settings = Recording(folder.path);
        settings.minFreeBytes = 256 << 20;
        if (row.fault == Fault::NoFolder) settings.folder = folder.path + "/file/folder";
        if (row.fault == Fault::NoProgram) settings.command = {"kolb-no-such-recorder"};
        if (row.fault == Fault::NoRoom) settings.freeBytes = [](auto&) { return 1 << 20; };
        if (row.fault == Fault::NoOutput) settings.command = {TEST_RECORDER, "{file}"};
        if (row.fault == Fault::EmptyOutput)
            settings.command = {TEST_RECORDER, "--empty-output", "{file}.out"};
        if (row.fault == Fault::StatusNotAccepted) settings.exitOk = {255};
        if (row.fault == Fault::MapTaken)
            settings.command = {TEST_RECORDER, "--output", "{file}.out", "--empty-output",
                                "{file}.timecode.csv"};
        if (row.fault == Fault::TrimFails) {
            // Frames counted (more than the clip holds), then a trim that fails.
            settings.probe = {"/bin/sh", "-c", "echo nb_read_packets=500", "{path}"};
            settings.trim = true;
            settings.trimCommand = {"/bin/false", "{target}"};
        }
        std::ofstream(folder.path + "/file") << "a file where the folder would go";
        deck.onCue = [&] {
            ++cuesSeen;
            if ((row.fault == Fault::CancelAtCue && cuesSeen == 1) ||
                (row.fault == Fault::CancelAtSecondCue && cuesSeen == 2))
                batch.cancel();
            if (row.fault == Fault::LocalAtCue) deck.control = false;
        };
        deck.stuckCue = row.fault == Fault::NeverCues ? 1 : 0;
        deck.control = row.fault != Fault::NoControl;

        auto firstClips = clips;
        if (row.fault == Fault::LongName) firstClips[0].name = std::string(300, 'x');
        ASSERT_TRUE(batch.start(firstClips, settings));
        ASSERT_TRUE(WaitForEnd(batch));
        const auto first = batch.progress();
        if (row.fault == Fault::LongName) {
            const std::string out = first.clips[0].stem + ".out";
            EXPECT_EQ(out.rfind("001_xxxxxxxxxx", 0), 0u) << out;
            EXPECT_LE(out.size(), 255u);
            EXPECT_GT(fs::file_size(folder.path + "/" + out), 0u);
        }
        ExpectLike(States(first), row.states);
        EXPECT_EQ(!deck.cuesSent().empty(), row.deckMoved);
        ASSERT_FALSE(deck.saidLines().empty());
        EXPECT_EQ(deck.saidLines().back(), row.summary);
        // The first clip's line in the log, also when it ended before the deck moved: its
        // problems as its state says them, and no recorder times for a clip whose recorder
        // never ran.
        if (row.fault != Fault::NoFolder) {
            const auto log = ReadLog(folder.path);
            ASSERT_GE(log.size(), 2u);
            const std::string state = row.states[0];
            const std::string problems = state.rfind("failed: ", 0) == 0 ? state.substr(8)
                                         : state == "cancelled"          ? "cancelled"
                                                                         : "";
            ExpectLike({log[1][10]}, {problems});
            if (row.fault == Fault::NeverCues || row.fault == Fault::CancelAtCue ||
                !row.deckMoved) {
                EXPECT_EQ(std::vector<std::string>(log[1].begin() + 6, log[1].begin() + 8),
                          (std::vector<std::string>{"", ""}));
            }
        }
        // A deck taken out of control is sent Stop again once it is back, and told so.
        const std::string stoppedAgain =
            "Deck stopped: the capture had ended while it was not under control";
        deck.onCue = nullptr;
        deck.control = true;
        if (row.fault == Fault::LocalAtCue || row.fault == Fault::NoControl) {
            EXPECT_TRUE(Eventually([&] { return deck.saidLines().back() == stoppedAgain; }));
        }

        ASSERT_TRUE(batch.start(clips, Recording(folder.path)));
        ASSERT_TRUE(WaitForEnd(batch));
        EXPECT_EQ(States(batch.progress()), (std::vector<std::string>{"done", "done"}));
        EXPECT_EQ(deck.saidLines().back(), "Captured 2 of 2 clips");
        const auto said = deck.saidLines();
        EXPECT_EQ(std::count(said.begin(), said.end(), stoppedAgain),
                  row.fault == Fault::LocalAtCue || row.fault == Fault::NoControl ? 1 : 0);
    }
}

// Across clips of different lengths, one of them failing: as each clip is cued, the frames of
// the clips before it count as done and the play time of the rest is what remains; while one
// records, its frames are added to those; at the end nothing remains.
TEST(CaptureBatch, ProgressAndRemainingTimeCountEveryEndedClip) {
    std::vector<long> atCue;
    std::vector<double> remainingAtCue;
    std::vector<long> atStop;
    TempFolder folder;
    TestClock clock;
    FakeDeck deck(clock);
    CaptureBatch batch(deck, [&clock] { return clock.now(); });
    const std::vector<CaptureClip> clips = {Clip(1, "A", 60, 69), Clip(2, "B", 100, 115),
                                            Clip(3, "C", 150, 156)};
    deck.onCue = [&] {
        const auto p = batch.progress();
        atCue.push_back(p.framesDone);
        remainingAtCue.push_back(RemainingSeconds(p, frameMs));
    };
    deck.onStop = [&] { atStop.push_back(batch.progress().framesDone); };
    deck.stuckCue = 2;
    ASSERT_TRUE(batch.start(clips, Recording(folder.path)));
    ASSERT_TRUE(WaitForEnd(batch));
    deck.onCue = nullptr;
    deck.onStop = nullptr;

    const auto p = batch.progress();
    EXPECT_EQ(States(p), (std::vector<std::string>{"done", "failed: deck did not cue up", "done"}));
    EXPECT_EQ(p.framesTotal, 30);
    EXPECT_EQ(atCue, (std::vector<long>{0, 9, 24}));
    ASSERT_EQ(remainingAtCue.size(), 3u);
    const double remaining[] = {1.0, 0.7, 0.2};
    for (size_t i = 0; i < 3; ++i) EXPECT_NEAR(remainingAtCue[i], remaining[i], 1e-9) << i;
    // Each clip's two stops (before its cue, after its end): the ones after a recording stand
    // between the frames before it and those with it.
    ASSERT_EQ(atStop.size(), 6u);
    const long before[] = {0, 9, 24}, with[] = {9, 24, 30};
    bool counted = false; // frames were added while a clip recorded
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(atStop[2 * i], before[i]) << i;
        EXPECT_GE(atStop[2 * i + 1], before[i]) << i;
        EXPECT_LE(atStop[2 * i + 1], with[i]) << i;
        counted = counted || atStop[2 * i + 1] > before[i];
    }
    EXPECT_TRUE(counted);
    EXPECT_EQ(p.framesDone, 30);
    EXPECT_EQ(RemainingSeconds(p, frameMs), 0.0);
}

// Where the deck is cued (far enough back for the preroll and for the lead, never before the
// tape's start) and where the recorder starts; and every column of the clip's line in the
// capture log read back. The clip is taken from its event, with the event's own tape: that is
// the recorder's {tape} and the log's, the batch's tape only for a clip with none.
TEST(CaptureBatch, TheCueCoversPrerollAndLeadAndTheLogKeepsEveryColumn) {
    struct Row {
        const char* what;
        int in, out, preroll, lead;
        int cue;
        std::string tape = ""; // the event's own
        int handles = 0;
    };
    const Row rows[] = {
        {"preroll only", 60, 69, 9, 0, 51},
        {"a lead longer than the preroll", 60, 69, 3, 9, 51},
        {"a preroll longer than the lead", 60, 69, 9, 3, 51},
        {"a preroll reaching before the tape's start", 6, 15, 9, 0, 0},
        {"a clip with a tape of its own", 60, 69, 9, 0, 51, "Bänd 2, \"B\""},
        {"handles and lead longer than the preroll", 60, 69, 9, 3, 46, "", 11},
        {"a preroll longer than handles and lead", 60, 69, 9, 3, 51, "", 5},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TempFolder folder;
        TestClock clock;
        FakeDeck deck(clock);
        CaptureBatch batch(deck, [&clock] { return clock.now(); });
        CaptureSettings settings = Recording(folder.path);
        settings.prerollFrames = row.preroll;
        settings.leadFrames = row.lead;
        settings.handles = row.handles;
        const std::string report = folder.path + "/recorder-report.txt";
        settings.command = {TEST_RECORDER, "--report", report,       "--output",
                            "{file}.out",  "{file}",   "tape={tape}"};
        EventList events = EventList::initial();
        events.ClipNameArray[6] = "Take, \"one\"";
        events.SrcInArray[6] = timecode::TimeText(row.in, rate);
        events.SrcOutArray[6] = timecode::TimeText(row.out, rate);
        events.TapeArray[6] = row.tape;
        const auto clip = ClipOf(events, 6, rate);
        ASSERT_TRUE(clip);
        const std::string date = NowText();
        ASSERT_TRUE(batch.start({*clip}, settings));
        ASSERT_TRUE(WaitForEnd(batch));
        EXPECT_EQ(States(batch.progress()), std::vector<std::string>{"done"});
        EXPECT_EQ(deck.cuesSent(), std::vector<int>{row.cue});

        const auto log = ReadLog(folder.path);
        ASSERT_EQ(log.size(), 2u);
        EXPECT_EQ(log[0],
                  (std::vector<std::string>{"Date", "Event", "Name", "Tape", "In", "Out", "Start",
                                            "Stop", "Frames", "Exit", "Problems", "Files",
                                            "Exit meaning", "Recorded", "First frame", "Pass"}));
        const auto& line = log[1];
        ASSERT_EQ(line.size(), 16u);
        EXPECT_TRUE(std::regex_match(line[0], std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)")))
            << line[0];
        EXPECT_GE(line[0], date);
        EXPECT_LE(line[0], NowText());
        const std::string stem = folder.path + "/007_Take___one_";
        const std::string tape = row.tape.empty() ? settings.tape : row.tape;
        const std::vector<std::string> fixed = {"007", "Take, \"one\"", tape,
                                                timecode::TimeText(row.in, rate),
                                                timecode::TimeText(row.out, rate)};
        EXPECT_EQ(std::vector<std::string>(line.begin() + 1, line.begin() + 6), fixed);
        // The recorder started as the deck reached the in point less the lead and the handles,
        // and stopped at the out point and the handles: the deck's time then, within two frames
        // (a busy machine's wake-up).
        const auto startFrames = timecode::FrameCount(line[6], rate);
        const auto stopFrames = timecode::FrameCount(line[7], rate);
        ASSERT_TRUE(startFrames && stopFrames) << line[6] << " " << line[7];
        EXPECT_NEAR(*startFrames, std::max(0, row.in - row.lead - row.handles), 2);
        EXPECT_NEAR(*stopFrames, row.out + row.handles, 2);
        EXPECT_EQ(line[8], std::to_string(row.out - row.in));
        EXPECT_EQ(line[9], "0");
        EXPECT_EQ(line[10], "");
        EXPECT_EQ(line[11], stem + ".out; " + stem + ".out.md5; " + stem + ".recorder.txt; " +
                                stem + ".timecode.csv");
        EXPECT_EQ(std::vector<std::string>(line.begin() + 12, line.end()),
                  (std::vector<std::string>{"0: ended normally (accepted)", "", "", "1"}))
            << "no frames counted without a probe";
        std::ifstream noted(report);
        const std::string notes{std::istreambuf_iterator<char>(noted), {}};
        EXPECT_NE(notes.find("\narg tape=" + tape + "\n"), std::string::npos) << notes;
    }
}

// Only an event whose out is after its in is a clip; the events before the last with an out are
// taken in order, those without times passed over.
TEST(CaptureClips, AnEventIsAClipOnlyWhenItsOutIsAfterItsIn) {
    struct Row {
        const char* what;
        std::string in, out;
        bool clip;
    };
    const Row rows[] = {
        {"out a frame after in", "00:00:10:00", "00:00:10:01", true},
        {"out equal to in", "00:00:10:00", "00:00:10:00", false},
        {"out before in", "00:00:10:00", "00:00:09:29", false},
        {"no out", "00:00:10:00", "00:00:00:00", false},
        {"an out that is not a time at the rate", "00:00:10:00", "00:00:10:30", false},
        {"a drop-frame separator at 30", "00:00:10;00", "00:00:11;00", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EventList events = EventList::initial();
        events.SrcInArray[1] = row.in;
        events.SrcOutArray[1] = row.out;
        events.SrcInArray[3] = "00:01:00:00";
        events.SrcOutArray[3] = "00:01:01:00";
        const auto clips = ClipsToCapture(events, rate);
        std::vector<int> numbers;
        for (const auto& c : clips) numbers.push_back(c.event);
        const std::vector<int> want = row.clip ? std::vector<int>{2, 4} : std::vector<int>{4};
        EXPECT_EQ(numbers, want);
        EXPECT_EQ(ClipOf(events, 1, rate).has_value(), row.clip);
    }
}

// A read past the in point fails the clip when it comes before the start's moment; one that
// comes while the recorder is being started (slow to start on a busy machine) is the deck going
// on as it should, and the clip records.
TEST(ClipWatch, AReadPastTheInPointCountsOnlyBeforeTheRecorderIsStarted) {
    struct Row {
        const char* what;
        bool whileStarting;
        std::string past;
    };
    const Row rows[] = {
        {"3 frames past the point before the start", false, "00:00:01:03"},
        {"3 frames past the point while the recorder starts", true, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::atomic<bool> starting{false}, release{false};
        ClipWatch watch(rate, frameMs);
        // Let go of a start in progress before the watch waits for it, however the row ends.
        struct Release {
            std::atomic<bool>& flag;
            ~Release() { flag = true; }
        } letGo{release};
        const auto read = [&](int frames) {
            const auto at = Clock::now();
            watch.read({frames, timecode::TimeText(frames, rate), at, at, {0, 0}});
        };
        watch.begin(30, 60,
                    {[&] {
                         starting = true;
                         while (!release) std::this_thread::sleep_for(1ms);
                         return true;
                     },
                     [] {}});
        if (row.whileStarting) {
            read(30); // the point: the start's moment is now
            ASSERT_TRUE(Eventually([&] { return starting.load(); }));
        }
        read(33);
        release = true;
        EXPECT_EQ(watch.pastStart(), row.past);
        if (row.whileStarting) {
            EXPECT_TRUE(Eventually([&] { return watch.startedAt().has_value(); }));
            EXPECT_FALSE(watch.startTc().empty()) << "recording";
        }
    }
}

// A real ffmpeg filling a real small file system (600 KB of tmpfs, as a nearly full disk): with
// the room checked, the batch ends before the deck moves; with no minimum set, the clips that
// ran out of room fail, each with its reason, and a clip counts as done only with a whole file
// whose checksum md5sum accepts.
TEST(CaptureBatch, AFullDiskFailsTheClipsItCutsAndNoneIsDoneWithoutItsFile) {
    TempFolder folder;
    const std::string disk = folder.path + "/disk";
    fs::create_directory(disk);
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=600k") != 0)
        GTEST_SKIP() << "cannot mount a small file system here: " << std::strerror(errno);
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
    } unmount{disk};
    struct Row {
        long long minFree;
        bool deckMoved;
    };
    const Row rows[] = {{256 << 20, false}, {0, true}};
    const std::vector<CaptureClip> clips = {Clip(1, "One", 60, 90), Clip(2, "Two", 120, 150),
                                            Clip(3, "Three", 180, 210), Clip(4, "Four", 240, 270)};
    for (const Row& row : rows) {
        SCOPED_TRACE("CaptureMinFree " + std::to_string(row.minFree));
        TestClock clock;
        FakeDeck deck(clock);
        CaptureBatch batch(deck, [&clock] { return clock.now(); });
        CaptureSettings settings = Recording(disk + "/" + std::to_string(row.minFree));
        settings.command = {"ffmpeg", "-nostdin",  "-v",
                            "error",  "-re",       "-f",
                            "lavfi",  "-i",        "testsrc2=size=320x240:rate=30",
                            "-c:v",   "ffv1",      "-g",
                            "1",      "{file}.mkv"};
        settings.minFreeBytes = row.minFree;
        settings.handles = 5;
        settings.probe = DefaultProbeCommand();
        ASSERT_TRUE(batch.start(clips, settings));
        ASSERT_TRUE(WaitForEnd(batch));
        EXPECT_EQ(!deck.cuesSent().empty(), row.deckMoved);
        const auto p = batch.progress();
        EXPECT_LT(CapturedCount(p), 4) << "600 KB holds no four clips";
        for (const auto& c : p.clips) {
            SCOPED_TRACE(c.clip.name + ": " + StateText(c));
            if (c.state != ClipState::Done) {
                EXPECT_NE(StateText(c), "failed: ");
                continue;
            }
            const std::string file = settings.folder + "/" + c.stem + ".mkv";
            EXPECT_GT(fs::file_size(file), 0u);
            EXPECT_EQ(std::system(("cd '" + settings.folder + "' && md5sum --quiet -c '" + c.stem +
                                   ".mkv.md5'")
                                      .c_str()),
                      0);
        }
    }
}
