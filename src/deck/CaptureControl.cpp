#include "CaptureControl.h"

#include "CaptureLink.h"
#include "ClipTrim.h"
#include "ExitStatus.h"
#include "FrameProbe.h"
#include "LocalVCR.h"
#include "ProgramLookup.h"
#include "RecorderCommand.h"
#include "Utf8Text.h"
#include "Utils.h"

#include <algorithm>

CaptureControl::CaptureControl(LocalVCR& v)
    : vcr(v), link(MakeCaptureLink(v)), captureBatch(std::make_unique<CaptureBatch>(*link)) {}

CaptureControl::~CaptureControl() {
    captureBatch.reset();
}

namespace {

// The command that counts a file's frames: none for NO; the setting's words; else ffprobe when it
// is installed, or none. Nothing when the setting has a quote left open.
std::optional<std::vector<std::string>> ProbeWords(const std::optional<std::string>& setting) {
    if (setting == "NO") return std::vector<std::string>{};
    ProbeCommand probe = ProbeCommandOf(setting, ProgramProblem("ffprobe").empty());
    if (probe.words.empty() && setting && setting->find_first_not_of(" \t") != std::string::npos)
        return std::nullopt;
    return probe.words;
}

} // namespace

std::string CaptureControl::start(std::vector<CaptureClip> clips, const std::string& tape,
                                  bool fromScript, int pass) {
    if (running()) return "Capture running";
    const Settings& settings = vcr.config();
    const std::string command = settings.CaptureCommand.value_or("");
    if (command.find_first_not_of(" \t") == std::string::npos)
        return "No CaptureCommand in the settings";
    const auto words = SplitCommand(command);
    if (!words || words->empty())
        return "CaptureCommand has a quote left open: close it in the settings";
    // Nothing else may move the deck under a capture: what moves it now ends first.
    if (vcr.cueControlsLocked() || (vcr.scriptactive && !fromScript))
        return "A cue, review or script is running: stop it, then capture";
    if (clips.empty()) return "No clip to capture: an event needs an in and an out after it";
    const auto exitOk =
        ParseExitList(settings.CaptureExitOK.value_or(std::string(captureExitOKDefault)));
    if (!exitOk)
        return "CaptureExitOK is not a list of exit statuses (0 to 255, such as \"0 255\"): mend "
               "it in the settings";
    const auto probe = ProbeWords(settings.CaptureProbe);
    if (!probe) return "CaptureProbe has a quote left open: close it in the settings";
    const TrimCommand trimCommand = TrimCommandOf(settings.CaptureTrimCommand);
    if (!trimCommand.problem.empty()) return trimCommand.problem + ": close it in the settings";
    if (settings.captureTrim && probe->empty())
        return "CaptureTrim needs the frames counted: install ffprobe, or set CaptureProbe";
    CaptureSettings run;
    run.exitOk = *exitOk;
    run.minFreeBytes = settings.captureMinFree;
    run.handles = settings.captureHandles;
    run.probe = *probe;
    run.trim = settings.captureTrim;
    run.trimCommand = trimCommand.words;
    run.frameMd5 = settings.captureFrameMd5;
    run.thumbnails = ProgramProblem("ffmpeg").empty();
    run.command = *words;
    run.folder = settings.captureFolder;
    run.prerollFrames = timecode::FrameCount(settings.PRString, vcr.rate()).value_or(0);
    run.leadFrames = settings.captureLead;
    run.tape = tape;
    run.pass = pass;
    if (!captureBatch->start(std::move(clips), std::move(run))) return "Capture running";
    vcr.panel().showCapture();
    return {};
}

void CaptureControl::captureAll() {
    const bool fromScript = commandFromScript();
    const auto events = vcr.panel().loggedEvents();
    followFromCommand(events ? start(ClipsToCapture(*events, vcr.rate()), events->tape, fromScript)
                             : "No log to capture",
                      fromScript);
}

std::string CaptureControl::startFailed(bool fromScript) {
    if (running()) return "Capture running";
    const CaptureProgress last = captureBatch->progress();
    if (!last.ended) return "No capture has run yet";
    std::vector<CaptureClip> again;
    for (const auto& clip : last.clips)
        if (clip.state != ClipState::Done) again.push_back(clip.clip);
    if (again.empty())
        return "No failed clips to capture again: the last batch captured every clip";
    const CaptureSettings before = captureBatch->lastSettings();
    const int count = static_cast<int>(again.size());
    std::string why = start(std::move(again), before.tape, fromScript, before.pass + 1);
    if (why.empty()) {
        const std::string said = "Capture pass " + std::to_string(before.pass + 1) + ": " +
                                 Counted(count, "clip") + " again";
        Utils::OutLine(said);
        vcr.ShowStat(said);
    }
    return why;
}

void CaptureControl::captureFailed() {
    const bool fromScript = commandFromScript();
    followFromCommand(startFailed(fromScript), fromScript);
}

bool CaptureControl::commandFromScript() const {
    return vcr.scriptactive && vcr.onActionThread();
}

void CaptureControl::followFromCommand(const std::string& why, bool fromScript) {
    if (!why.empty()) {
        Utils::OutLine(why);
        vcr.ShowStat(why);
        return;
    }
    if (!fromScript) return;
    while (captureBatch->running()) vcr.waitFor(50);
    const auto clips = captureBatch->progress().clips;
    if (std::any_of(clips.begin(), clips.end(),
                    [](const auto& c) { return c.state == ClipState::Cancelled; }))
        vcr.requestOperatorStop(); // the script ends after this line
}

void CaptureControl::report() {
    if (auto c = vcr.client()) c->Send(StatusLine(captureBatch->progress()));
}
