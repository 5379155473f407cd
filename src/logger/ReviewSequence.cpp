#include "ReviewSequence.h"

#include "Timecode.h"
#include "Utils.h"

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

void RevAll(CommandTarget& vcr, const EventList& events) {
    ScriptFlag flag(vcr);
    try {
        for (int i = 0; i < EventList::size - 1; ++i) {
            if (timecode::IsZero(events.SrcOutArray[i])) break;
            if (!reviewAt(vcr, events, i)) {
                Utils::OutLine("RevALL ended: invalid timecode in event " + std::to_string(i + 1));
                break;
            }
            if (vcr.operatorStopped()) {
                Utils::OutLine("Script stopped by the operator");
                break;
            }
        }
    } catch (...) {
        Utils::OutLine("RevALL ended by an error");
    }
}
