#include "CaptureProgress.h"

#include <algorithm>

std::string StateText(const ClipProgress& clip) {
    switch (clip.state) {
    case ClipState::Waiting:
        return "waiting";
    case ClipState::Cueing:
        return "cueing";
    case ClipState::Recording:
        return "recording";
    case ClipState::Done:
        return "done";
    case ClipState::Failed:
        return "failed: " + clip.reason;
    case ClipState::Cancelled:
        return "cancelled";
    case ClipState::NotCaptured:
        return "not captured";
    }
    return {};
}

int CapturedCount(const CaptureProgress& p) {
    return static_cast<int>(std::count_if(
        p.clips.begin(), p.clips.end(), [](const auto& c) { return c.state == ClipState::Done; }));
}

int FailedCount(const CaptureProgress& p) {
    return static_cast<int>(std::count_if(p.clips.begin(), p.clips.end(), [](const auto& c) {
        return c.state == ClipState::Failed;
    }));
}

std::string SummaryText(const CaptureProgress& p) {
    std::string text = "Captured " + std::to_string(CapturedCount(p)) + " of " +
                       std::to_string(p.clips.size()) + " clips";
    const std::pair<ClipState, const char*> others[] = {{ClipState::Failed, " failed"},
                                                        {ClipState::Cancelled, " cancelled"},
                                                        {ClipState::NotCaptured, " not captured"}};
    for (const auto& [state, word] : others) {
        const auto n = std::count_if(p.clips.begin(), p.clips.end(),
                                     [state = state](const auto& c) { return c.state == state; });
        if (n > 0) text += ", " + std::to_string(n) + word;
    }
    return text;
}

std::string StatusLine(const CaptureProgress& p) {
    const std::string of = " of " + std::to_string(p.clips.size());
    if (p.running && p.current >= 0 && p.current < static_cast<int>(p.clips.size()))
        return "capturing " + std::to_string(p.current + 1) + of + " " + p.clips[p.current].stem;
    if (p.ended)
        return "done " + std::to_string(CapturedCount(p)) + of + ", " +
               std::to_string(FailedCount(p)) + " failed";
    return "idle";
}

double RemainingSeconds(const CaptureProgress& p, double frameMs) {
    return std::max(0L, p.framesTotal - p.framesDone) * frameMs / 1000.0;
}
