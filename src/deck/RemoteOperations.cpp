// The deck controller's operations for the HyperDeck protocol front end: its server, a cue that
// leaves the window's points alone, cue and roll, the shuttle, the logger's clips and their plays,
// and the deck's state as last read (with the transport frame acknowledged since).
#include "CueText.h"
#include "HyperDeckClips.h"
#include "LocalVCR.h"
#include "LoggedClips.h"
#include "Utils.h"

#include <chrono>
#include <thread>

namespace {
void Say(LocalVCR& vcr, const std::string& text) {
    Utils::OutLine(text);
    vcr.ShowStat(text);
}
} // namespace

bool LocalVCR::OpenHyperDeck() {
    auto server = std::make_unique<HyperDeckServer>(
        *this, [this](const std::string& text) { Say(*this, text); });
    const int port = settings.hyperdeckport;
    if (!server->open(settings.hyperdeckaddress, port)) {
        Say(*this, "Can't open the HyperDeck server at port " + std::to_string(port) + ": " +
                       server->error() + " (free the port, or set HyperDeckPort to another one)");
        return false;
    }
    Say(*this, "HyperDeck server listening on " + settings.hyperdeckaddress + " port " +
                   std::to_string(server->port()));
    std::lock_guard lock(serverMutex);
    if (closing) return false;
    hyperdeck = std::move(server);
    hyperdeck->start();
    return true;
}

int LocalVCR::hyperDeckPort() {
    std::lock_guard lock(serverMutex);
    return hyperdeck ? hyperdeck->port() : 0;
}

bool LocalVCR::cueTo(const std::string& text) {
    // The run before is called off first: a loop at its out point sets no flag of this cue.
    runSlot.callOff();
    cueplayFlag = false;
    reviewclipFlag = false;
    if (!prepareCue(text, CueString)) return false;
    CueUp();
    // The client is answered once the deck has the cue, so what it asks next finds the deck
    // winding. The run sends it first thing, after any exchange under way.
    const auto run = cuethread();
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (run && !run->cueSent() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void LocalVCR::shuttle(bool reverse, int speedByte) {
    if (reverse)
        shutrev(speedByte);
    else
        shutfwd(speedByte);
}

DeckState LocalVCR::deckState() {
    DeckState state;
    {
        std::lock_guard lock(stateMutex);
        state.status = statusBytes;
        state.timecode = TCString;
    }
    state.rate = rate();
    state.local = deckLocal;
    state.noTape = deckNoTape;
    state.ee = eeOn;
    const std::uint32_t motion = lastMotion;
    state.motion = {static_cast<std::uint8_t>(motion >> 16), static_cast<std::uint8_t>(motion >> 8),
                    static_cast<std::uint8_t>(motion)};
    state.acked = acked.frame();
    state.clipId = hyperdeck::CurrentClip(loggedClips(), tcframes);
    if (const auto run = cuethread(); run && !run->finished() && run->plan().clip) {
        state.singleClip = true;
        state.loop = run->plan().loop;
    }
    return state;
}

bool LocalVCR::rollWhenCued() {
    // Under the link's lock, where the run decides whether to play. A review run plays anyway.
    const auto link = sop.holdExchanges();
    const auto run = cuethread();
    if (!run || !run->beforePlay()) return false;
    cueplayFlag = true;
    return true;
}

void LocalVCR::callOffCue() {
    // Nothing of a cue, a review or a clip play follows: its flags go, and the window shows the
    // deck's words again.
    SettleDown();
    runSlot.callOff();
}

std::optional<int> LocalVCR::cueUnderWay() {
    const auto link = sop.holdExchanges();
    const auto run = cuethread();
    if (!run || run->isReview() || !run->beforePlay()) return std::nullopt;
    const auto& f = run->target();
    const auto bcd = [](std::uint8_t b) { return (b >> 4) * 10 + (b & 0x0F); };
    return FrameCount(
        CueTime{bcd(f[5] & 0x3F), bcd(f[4] & 0x7F), bcd(f[3] & 0x7F), bcd(f[2] & 0x3F)}, rate());
}

bool LocalVCR::playClip(const LoggedClip& clip, bool loop) {
    const auto frame = CueFrame(clip.in);
    if (!frame || !sop.hasSerialPort() || closing) return false;
    // A cue still winding is taken over: the clip plays from its point once cued there.
    std::optional<CueThread::Frame> winding;
    {
        const auto link = sop.holdExchanges();
        if (const auto run = cuethread(); run && !run->isReview() && run->beforePlay())
            winding = run->target();
    }
    runSlot.callOff();
    {
        std::lock_guard lock(stateMutex);
        cueFrame = *frame;
    }
    startframes = clip.inFrames;
    endframes = clip.outFrames;
    duration = clip.outFrames - clip.inFrames;
    cueplayFlag = true;
    reviewclipFlag = true;
    startRun(motionStops, CueThread::Plan{!winding, loop, true}, winding);
    return true;
}

std::vector<LoggedClip> LocalVCR::loggedClips() {
    const auto events = localgui ? localgui->openLogEvents() : std::nullopt;
    return events ? LoggedClipsOf(*events, rate()) : std::vector<LoggedClip>{};
}

void LocalVCR::watchDeckState(std::function<void()> watcher) {
    std::lock_guard lock(stateWatcherMutex);
    stateWatcher = std::move(watcher);
}

void LocalVCR::tellStateWatcher() {
    std::lock_guard lock(stateWatcherMutex);
    if (stateWatcher) stateWatcher();
}

void LocalVCR::noteSent(std::span<const std::uint8_t> frame) {
    if (frame.size() < 3) return;
    const int kind = frame[1] & 0x0F, direction = frame[1] >> 4;
    if (frame[0] == 0x21 && kind >= 1 && kind <= 3 && (direction == 1 || direction == 2))
        lastMotion = std::uint32_t{frame[0]} << 16 | std::uint32_t{frame[1]} << 8 | frame[2];
    if (frame[0] == 0x20 && (frame[1] == 0x60 || frame[1] == 0x61)) eeOn = frame[1] == 0x61;
    // A jog ends E-E on the deck: the window's EEOff is a jog each way.
    if (frame[0] == 0x21 && kind == 1) eeOn = false;
}
