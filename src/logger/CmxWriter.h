#pragma once

#include "EventList.h"
#include "Timecode.h"

#include <optional>
#include <string>

// A log as a CMX 3600 list, every line ending in CR LF:
//   TITLE: <the log's tape, or the file's name for a log with no tape>
//   FCM: NON-DROP FRAME  (or DROP FRAME)
//   <blank line>
//   001  <reel, 8 wide> AA/V  C        <source in> <source out> <record in> <record out>
//   * FROM CLIP NAME: <the whole name>
//   * TAPE: <the whole tape>    when the reel does not hold the clip's tape whole, or the same
//                               reel was last said with another tape
//   * COMMENT: <notes>          when the clip has notes
//   * GOOD TAKE: YES            for a good take
// for each event a save writes (ClipsToWrite); no comment stands before the first event, which
// readers refuse. The reel is the clip's own tape (CmxReelText); source times have the rate's
// frame separator, an event with no clip written as one of no length (TimesForOtherSystems);
// record times run on from recordStart (frames at the rate). Texts are UTF-8, CR and LF in them
// written as blanks; blanks around a name, a tape or notes do not come back from a load, which
// takes any number of blanks around a comment's text, as other systems write them.
std::string CmxText(const EventList& events, const std::string& savename, timecode::Rate rate,
                    int recordStart);

// A CMX 3600 reel: at most 8 letters, digits, '_' or '-' ("AX", the reel of no tape, when
// empty), padded to 8; any other character becomes one '_'. The reels of black, "BL" and "BLACK",
// get a '_' after them, so that the clip is not taken for black.
std::string CmxReelText(const std::string& tape);

// The record start of a CMX list: the "RecordStart" setting when it is a timecode at the rate,
// else 01:00:00:00.
int RecordStartAt(const std::optional<std::string>& setting, timecode::Rate rate);
