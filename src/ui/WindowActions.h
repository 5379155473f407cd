#pragma once

#include <string>

class LocalVCR;
class ShuttleLadder;
class TimeTexts;

// What the main window's controls do to the deck. These run on the operator-action thread.

// The button dispatcher: carries out the command text of the pressed button (the window has
// already shown it in the status field).
void DispatchButton(LocalVCR& vcr, const std::string& command);

// The four cue motions (CueIn, CueOut, Cue/Play, Review), by their command texts.
bool IsCueMotion(const std::string& command);

// SetIn (out false) or SetOut: the time given goes into the in or out field, and the cue frame
// is prepared from the in field (PrepareMark, on the operator-action thread).
void TakeMark(TimeTexts& texts, bool out, const std::string& time);
void PrepareMark(LocalVCR& vcr, bool out);

// Gives up the press's hold of the cue controls when the press's motion has been carried out.
struct CueControlRelease {
    LocalVCR& vcr;
    ~CueControlRelease();
};

// The shuttle bar at a value from 0 to 95: forward from 54 up, reverse from 42 down, still in
// the dead band between.
void ShuttleTo(LocalVCR& vcr, int value);

// A J (direction -1), K (0) or L (+1) key: the ladder's next rung as a shuttle frame, or the
// still picture at rung 0, with its status text held as a message. Returns the rung.
int ShuttleStep(LocalVCR& vcr, ShuttleLadder& ladder, int direction);
