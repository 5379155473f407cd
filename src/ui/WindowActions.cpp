#include "WindowActions.h"

#include "LocalVCR.h"
#include "ShuttleLadder.h"

#include <functional>
#include <map>

void DispatchButton(LocalVCR& vcr, const std::string& command) {
    const bool lanc = vcr.isLanc();
    static const std::map<std::string, std::function<void(LocalVCR&)>> simple = {
        {"Stop", &LocalVCR::stop},       {"Play", &LocalVCR::play},
        {"Pause", &LocalVCR::pause},     {"Forward", &LocalVCR::forward},
        {"Rewind", &LocalVCR::rewind},   {"Slow2", &LocalVCR::slowhalf},
        {"Slow3", &LocalVCR::slowthird}, {"Slow5", &LocalVCR::slowfifth},
        {"Fast2", &LocalVCR::fasttwo},   {"Fast5", &LocalVCR::fastfive},
        {"Sbyon", &LocalVCR::sbyon},     {"Sbyoff", &LocalVCR::sbyoff},
        {"EEOn", &LocalVCR::eeon},       {"Record", &LocalVCR::record},
    };
    if (auto it = simple.find(command); it != simple.end()) {
        it->second(vcr);
    } else if (command == "EEOff") {
        // The window has no E-E off button of its own: a jog each way ends E-E on the deck.
        vcr.jogf();
        vcr.DelayT(600);
        vcr.stop();
        vcr.jogr();
        vcr.DelayT(600);
        vcr.stop();
    } else if (command == "Jogf") {
        vcr.jogf();
        if (!lanc) {
            vcr.DelayT(600);
            vcr.stop();
        }
    } else if (command == "Jogr") {
        vcr.jogr();
        if (!lanc) {
            vcr.DelayT(600);
            vcr.stop();
        } else {
            vcr.pause();
        }
    } else if (command == "SCRIPT") {
        vcr.script();
    } else if (command == "Cue") {
        vcr.cue();
    } else if (command == "CueOut") {
        vcr.cueout();
    } else if (command == "SetCue" || command == "SetRev") {
        TimeTexts& texts = vcr.panel().texts();
        TakeMark(texts, command == "SetRev", texts.time());
        PrepareMark(vcr, command == "SetRev");
    } else if (command == "Cueplay") {
        vcr.cueplay();
    } else if (command == "Review") {
        vcr.reviewclip();
    }
}

bool IsCueMotion(const std::string& command) {
    return command == "Cue" || command == "CueOut" || command == "Cueplay" || command == "Review";
}

void TakeMark(TimeTexts& texts, bool out, const std::string& time) {
    if (out)
        texts.setOut(time);
    else
        texts.setIn(time);
}

void PrepareMark(LocalVCR& vcr, bool out) {
    if (out)
        vcr.MakeReviewString();
    else
        vcr.MakeCueString();
}

CueControlRelease::~CueControlRelease() {
    vcr.lockCueControls(false);
}

void ShuttleTo(LocalVCR& vcr, int value) {
    if (value >= 54)
        vcr.shutfwd((value - 48) * 2);
    else if (value <= 42)
        vcr.shutrev((48 - value) * 2);
    else
        vcr.pause();
}

int ShuttleStep(LocalVCR& vcr, ShuttleLadder& ladder, int direction) {
    const unsigned before = vcr.transportFrames();
    const int rung = ladder.step(direction, before, vcr.deckPlaying() ? 1 : 0);
    if (rung == 0)
        vcr.pause();
    else if (rung > 0)
        vcr.shutfwd(ShuttleLadder::speedByte(rung));
    else
        vcr.shutrev(ShuttleLadder::speedByte(rung));
    // Counted as one more than before: a frame another thread sent meanwhile makes the next
    // key start the ladder again.
    ladder.sent(before + 1);
    vcr.ShowStat(ShuttleLadder::text(rung));
    return rung;
}
