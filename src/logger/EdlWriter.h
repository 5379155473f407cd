#pragma once

#include "ClipsToWrite.h"
#include "EventList.h"
#include "Timecode.h"

#include <string>

// The logger's own layout, every line ending in a blank and CR LF: "TITLE: " with the file's
// name, "REM Made by " with the product's title, the FCM line, "* TAPE: " when the log has a
// tape, then the events. Source times are written with the rate's frame separator. Record times
// run on without gaps from 01:00:00:00, counted at the rate (drop-frame: "FCM: DROP FRAME" and
// ";" before the frames) and wrapping at 24 hours; an event with a problem adds no record time.
// The layout has no place for a clip's own tape, notes or good-take mark: read back, every clip
// has the log's tape.
std::string StandardText(const EventList& events, const std::string& savename,
                         const std::string& title, timecode::Rate rate);

// The autosave file's bytes: the logger's own layout's header (title "KOLB_Autosave.edl"), a
// line "* TAPE: <the log's tape>" when the tape is not empty or a clip's tape is said, then every
// event a save writes, each followed by "* FROM CLIP NAME: <whole name>", "* TAPE: <its tape>"
// when its tape is not the one a load gives it by default (the log's tape for an event that
// holds anything, none for a fresh one), "* COMMENT: <notes>" when it has notes and
// "* GOOD TAKE: YES" for a good take (CR and LF in texts written as blanks). Source times are
// written as they are held (but for ':' between hours, minutes and seconds, where a load finds
// them), so that LoadEDL gives back the same list and its rate.
std::string AutosaveText(const EventList& events, const std::string& title, timecode::Rate rate);

// A name cut to 6 characters ("S" when empty) and padded with at least one space to 6 characters
// or more; characters, not bytes, are counted. A colon becomes '_' and CR or LF a blank: Load EDL
// finds the times from the line's first colon and reads a line to its end, so either would lose
// the whole event when the list is loaded again.
std::string ReelText(const std::string& name);
