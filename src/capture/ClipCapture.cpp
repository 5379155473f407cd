#include "ClipCapture.h"

#include "CaptureFiles.h"
#include "CaptureLog.h"
#include "CaptureRoom.h"
#include "ClipFinish.h"
#include "ClipWatch.h"
#include "ExitStatus.h"
#include "ProgramLookup.h"
#include "RecorderCommand.h"
#include "RecorderProcess.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <mutex>

namespace {
using Clock = std::chrono::steady_clock;

double FrameMs(timecode::Rate rate) {
    return rate.dropFrame ? 1001.0 / 30.0 : 1000.0 / rate.fps;
}

// The paths of the files in folder named stem.<anything>, sorted.
std::vector<std::string> FilesNamed(const std::string& folder, const std::string& stem) {
    std::vector<std::string> files;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(stem + ".", 0) == 0) files.push_back(folder + "/" + name);
    }
    std::sort(files.begin(), files.end());
    return files;
}

// A clip's line in the capture log, with what is known before the deck moves.
CaptureRecord RecordOf(const CaptureClip& clip, const std::string& tape, int pass) {
    CaptureRecord record;
    record.when = NowText();
    record.event = clip.event;
    record.name = clip.name;
    record.tape = tape;
    record.in = clip.in;
    record.out = clip.out;
    record.frames = clip.frames();
    record.pass = pass;
    return record;
}

} // namespace

ClipCapture::ClipCapture(CaptureDeck& d, const CaptureSettings& s, StopSignal& c, WaitClock n)
    : deck(d), settings(s), cancel(c), now(std::move(n)) {}

ClipOutcome ClipCapture::run(const CaptureClip& clip, const StateSink& state,
                             const FramesSink& framesSink) {
    const timecode::Rate rate = deck.captureRate();
    const double frameMs = FrameMs(rate);
    const std::string stem = ClipStem(clip.event, clip.name);
    ClipOutcome outcome;
    auto problem = [&](const std::string& text) {
        outcome.problems.push_back(text);
        deck.say("Capture " + stem + ": " + text);
    };
    auto fail = [&](const std::string& text, bool stopBatch) {
        problem(text);
        outcome.state = ClipState::Failed;
        outcome.stopBatch = outcome.stopBatch || stopBatch;
    };
    state(ClipState::Cueing, stem);
    // The clip's own tape; the batch's for a clip that has none.
    const std::string& tape = clip.tape.empty() ? settings.tape : clip.tape;
    const int handles = settings.handles;
    // Before the deck moves: the deck under control, a folder to write in, a recorder that can
    // run, room for the clip. None of them mends itself by the next clip, so each ends the batch.
    const std::string notReady = [&]() -> std::string {
        if (!deck.underControl()) {
            outcome.deckLost = true;
            return "deck not under control";
        }
        if (const std::string why = FolderProblem(settings.folder); !why.empty())
            return "recorder did not start: " + why;
        const std::string program = settings.command.empty() ? "" : settings.command[0];
        if (const std::string why = ProgramProblem(program); !why.empty())
            return "recorder did not start: " + why;
        if (settings.minFreeBytes <= 0 && bytesPerFrame <= 0) return {};
        const long long needed =
            RoomNeeded(clip.frames() + 2L * handles, bytesPerFrame, settings.minFreeBytes);
        const auto free =
            settings.freeBytes ? settings.freeBytes(settings.folder) : FreeBytes(settings.folder);
        if (!free) return "the room left in " + settings.folder + " cannot be told";
        return RoomProblem(settings.folder, *free, needed);
    }();
    if (!notReady.empty()) {
        fail(notReady, true);
        // Its line in the capture log too, where the folder lets one be written.
        CaptureRecord record = RecordOf(clip, tape, settings.pass);
        record.problems = outcome.problems;
        std::error_code error;
        if (std::filesystem::is_directory(settings.folder, error))
            if (const auto why = AppendCaptureLog(settings.folder, record); !why.empty())
                problem("capture log not written: " + why);
        return outcome;
    }
    const std::string file = UniqueBase(settings.folder, stem);
    const std::string outputName = file.substr(file.rfind('/') + 1);
    state(ClipState::Cueing, outputName);
    const auto argv =
        ExpandCommand(settings.command, ValuesOf(clip.event, clip.name, tape, file, clip.inFrames,
                                                 clip.outFrames, rate));

    RecorderProcess recorder;
    std::mutex startMutex; // guards startError
    std::string startError;
    ClipWatch watch(rate, frameMs);
    deck.watchReads([&watch](const DeckRead& r) { watch.read(r); });
    // Whatever happens from here, the poller lets go of the watch before it goes.
    struct Detach {
        CaptureDeck& deck;
        ~Detach() { deck.watchReads({}); }
    } detach{deck};

    // One look at what ends a wait early; false when the clip cannot go on.
    auto going = [&](bool moving) {
        if (cancel.requested()) {
            outcome.state = ClipState::Cancelled;
            return false;
        }
        if (!deck.underControl()) {
            fail("deck not under control", true);
            outcome.deckLost = true;
            return false;
        }
        if (moving && Clock::now() - watch.lastMoved() >= std::chrono::milliseconds(standstillMs)) {
            fail("deck stopped during capture", false);
            return false;
        }
        return true;
    };

    // The recorder runs from the handles before the in (and the lead before those) to the
    // handles after the out.
    const int startFrames = std::max(0, clip.inFrames - settings.leadFrames - handles);
    const int stopFrames = clip.outFrames + handles;
    deck.stopDeck();
    // Cued far enough before the start for the preroll, and never before the tape's 00:00:00:00.
    deck.cueDeck(std::max(0, std::min(startFrames, clip.inFrames - settings.prerollFrames)));
    bool cued = false;
    const auto cueBy = now() + std::chrono::milliseconds(cueWaitMs);
    while (!cued && now() < cueBy && going(false)) {
        cancel.sleepFor(20);
        cued = deck.cuedUp();
    }
    if (!cued && outcome.problems.empty() && outcome.state != ClipState::Cancelled)
        fail("deck did not cue up", false);

    bool recording = false;
    if (cued) {
        watch.begin(startFrames, stopFrames,
                    {[&] {
                         std::string why = recorder.start(argv, file + ".recorder.txt");
                         std::lock_guard lock(startMutex);
                         startError = std::move(why);
                         return startError.empty();
                     },
                     [&] { recorder.interrupt(); }});
        deck.playDeck();
        const auto startBy =
            now() +
            std::chrono::milliseconds(static_cast<long>(
                (settings.prerollFrames + settings.leadFrames + handles) * frameMs)) +
            std::chrono::milliseconds(reachSlackMs);
        while (!watch.startedAt() && going(true)) {
            if (const std::string past = watch.pastStart(); !past.empty()) {
                fail("deck was past the in point at " + past, false);
                break;
            }
            if (now() > startBy) {
                fail("deck did not reach the in point", false);
                break;
            }
            cancel.sleepFor(5);
        }
        if (watch.startedAt()) {
            std::lock_guard lock(startMutex);
            if (!startError.empty()) fail("recorder did not start: " + startError, true);
            recording = startError.empty();
        }
    }
    std::optional<int> status;
    bool endedEarly = false;
    if (recording) {
        state(ClipState::Recording, outputName);
        const auto stopBy =
            now() +
            std::chrono::milliseconds(static_cast<long>((stopFrames - startFrames) * frameMs)) +
            std::chrono::milliseconds(reachSlackMs);
        while (!watch.stoppedAt() && going(true)) {
            if (auto ended = recorder.exited(); ended && !watch.stoppedAt()) {
                status = ended;
                endedEarly = true;
                fail("recorder ended early, status " + ExitMeaning(*ended, settings.exitOk), false);
                break;
            }
            if (now() > stopBy) {
                fail("deck did not reach the out point", false);
                break;
            }
            framesSink(watch.framesRecorded());
            cancel.sleepFor(5);
        }
    }
    // No trigger acts after this: the recorder is this thread's alone.
    watch.end();
    if (recorder.started() && !status)
        status = recorder.stop([&](const std::string& line) { deck.say(line); });
    deck.stopDeck();

    outcome.breaks = watch.breaks();
    for (const auto& b : outcome.breaks) problem(b);
    if (!outcome.problems.empty() && outcome.state == ClipState::Done)
        outcome.state = ClipState::Failed;

    // Where the deck was when the recorder was told to stop: at the out point and its handles,
    // or where a cancel or an early end found it.
    std::optional<double> stopPosition = watch.stopPosition();
    if (!stopPosition && recorder.started() && recorder.interruptedAt() != Clock::time_point{})
        stopPosition = watch.deckPositionAt(recorder.interruptedAt());
    FinishFacts facts{clip,       settings, rate,         file,       tape, recorder.started(),
                      endedEarly, status,   stopPosition, watch.map()};
    for (const MapRead& read : facts.reads) outcome.statuses.push_back(read.status);
    FinishClip(facts, outcome, problem);
    if (outcome.files.outputBytes > 0 && outcome.state == ClipState::Done && clip.frames() > 0)
        bytesPerFrame =
            static_cast<double>(outcome.files.outputBytes) / std::max(1, stopFrames - startFrames);

    CaptureRecord record = RecordOf(clip, tape, settings.pass);
    record.startTc = watch.startTc();
    record.stopTc = watch.stopTc();
    record.exitStatus = status ? std::to_string(*status) : "";
    record.exitMeaning = status ? ExitMeaning(*status, settings.exitOk) : "";
    record.framesRecorded = outcome.files.framesRecorded;
    record.firstTc = outcome.files.firstTc;
    if (outcome.state == ClipState::Cancelled) outcome.problems.push_back("cancelled");
    record.problems = outcome.problems;
    record.files = FilesNamed(settings.folder, outputName);
    outcome.files.files = record.files;
    if (const auto why = AppendCaptureLog(settings.folder, record); !why.empty())
        fail("capture log not written: " + why, false);
    framesSink(watch.framesRecorded());
    return outcome;
}
