#pragma once

#include "Timecode.h"

#include <optional>
#include <string>
#include <vector>

// The recorder's command line, from the CaptureCommand setting: the program and its arguments,
// run directly (never through a shell), with a clip's values put in place of the placeholders.

// The words of a command text: split at blanks (spaces and tabs); double quotes group words
// and are taken away ("DeckLink Mini Recorder" is one word, a"b c"d is `ab cd`). Nothing when
// a quote is left open; no words for an empty or blank text.
std::optional<std::vector<std::string>> SplitCommand(const std::string& text);

// What a clip puts in place of the placeholders.
struct ClipValues {
    std::string file; // {file}: the output path without extension
    std::string name; // {name}: the clip's name as logged
    std::string tape; // {tape}
    int event = 0;    // {event}: written with 3 digits
    std::string in;   // {in}, {out}, {duration}: timecode texts at the rate in use
    std::string out;
    std::string duration;
    int frames = 0;      // {frames}: the duration in frames
    std::string seconds; // {seconds}: the duration in seconds, 3 decimals ("3.003")
    std::string rate;    // {rate}: "30", "25" or "30000/1001"
};

// The values of a clip from its event number, name, in and out frame counts at a rate:
// in, out and duration as timecode texts at the rate (TimeText), seconds = frames / (fps, or
// 30000/1001 at drop-frame) with 3 decimals.
ClipValues ValuesOf(int event, const std::string& name, const std::string& tape,
                    const std::string& file, int inFrames, int outFrames, timecode::Rate rate);

// The words with every placeholder replaced inside any word ({file}, {name}, {tape}, {event},
// {in}, {out}, {duration}, {frames}, {seconds}, {rate}); anything else in braces stays as it is.
// A value is put in once: braces inside a value are not looked at again.
std::vector<std::string> ExpandCommand(const std::vector<std::string>& words, const ClipValues& v);
