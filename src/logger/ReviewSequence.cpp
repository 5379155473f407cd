#include "ReviewSequence.h"

#include "Timecode.h"
#include "Utf8Text.h"
#include "Utils.h"

#include <algorithm>

namespace {
// Sets the script flag for as long as it lives.
class ScriptFlag {
public:
    explicit ScriptFlag(CommandTarget& vcr) : vcr(vcr) {
        vcr.clearOperatorStop();
        vcr.setscriptactive(true);
    }
    ~ScriptFlag() {
        vcr.setscriptactive(false);
        vcr.clearOperatorStop();
    }
    ScriptFlag(const ScriptFlag&) = delete;
    ScriptFlag& operator=(const ScriptFlag&) = delete;

private:
    CommandTarget& vcr;
};

bool reviewAt(CommandTarget& vcr, const EventList& events, int k) {
    vcr.setCueField(events.SrcInArray[k]);
    vcr.setEndField(events.SrcOutArray[k]);
    Utils::OutLine("Review EDL Clip " + std::to_string(k + 1));
    return vcr.reviewclip();
}
} // namespace

void ReviewEvent(CommandTarget& vcr, const EventList& events, int k) {
    reviewAt(vcr, events, k);
}

RevAllEnd RevAll(CommandTarget& vcr, const EventList& events,
                 const std::function<void(int)>& onClip) {
    ScriptFlag flag(vcr);
    RevAllEnd end;
    end.why = RevAllEnd::Why::Last;
    end.at = EventList::size - 2;
    try {
        for (int i = 0; i < EventList::size - 1; ++i) {
            end.at = i;
            if (timecode::IsZero(events.SrcOutArray[i])) {
                end.why = RevAllEnd::Why::NoOut;
                for (int k = i + 1; k < EventList::size; ++k)
                    if (!timecode::IsZero(events.SrcOutArray[k])) ++end.clipsAfter;
                return end;
            }
            if (onClip) onClip(i);
            if (!reviewAt(vcr, events, i)) {
                Utils::OutLine("RevALL ended: invalid timecode in event " + std::to_string(i + 1));
                end.why = RevAllEnd::Why::Invalid;
                return end;
            }
            ++end.reviewed;
            if (vcr.operatorStopped()) {
                Utils::OutLine("Script stopped by the operator");
                end.why = RevAllEnd::Why::Stopped;
                return end;
            }
        }
        end.why = RevAllEnd::Why::Last;
    } catch (...) {
        Utils::OutLine("RevALL ended by an error");
        end.why = RevAllEnd::Why::Error;
    }
    return end;
}

std::string RevAllEndText(const RevAllEnd& e) {
    const auto number = [](int index) {
        std::string text = std::to_string(index + 1);
        return std::string(3 - std::min<std::size_t>(3, text.size()), '0') + text;
    };
    const auto clips = [](int n) { return Counted(n, "clip"); };
    const std::string reviewed = clips(e.reviewed) + " reviewed";
    switch (e.why) {
    case RevAllEnd::Why::NoOut:
        return "RevALL ended at event " + number(e.at) + ": it has no out point. " + reviewed +
               (e.clipsAfter > 0 ? "; " + clips(e.clipsAfter) + " after it " +
                                       (e.clipsAfter == 1 ? "was" : "were") +
                                       " not: review each with R or its number."
                                 : ".");
    case RevAllEnd::Why::Last:
        return "RevALL ended after event " + number(e.at) + ", the last it reviews. " + reviewed +
               ".";
    case RevAllEnd::Why::Stopped:
        return "RevALL stopped by the operator during event " + number(e.at) + ". " + reviewed +
               ".";
    case RevAllEnd::Why::Invalid:
        return "RevALL ended at event " + number(e.at) +
               ": its in or out is not a timecode. Mend it, then review again. " + reviewed + ".";
    case RevAllEnd::Why::Error:
        return "RevALL ended by an error at event " + number(e.at) + ". " + reviewed + ".";
    }
    return reviewed;
}
