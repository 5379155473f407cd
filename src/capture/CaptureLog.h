#pragma once

#include "CsvWriter.h"

#include <string>
#include <string_view>
#include <vector>

// The capture log, capture_log.csv in the capture folder: one line per clip captured or tried,
// appended; RFC 4180 (fields with a comma, quote, CR or LF quoted, quotes doubled; lines end
// with CR LF); UTF-8; the header is written once, when the file is new or empty.

struct CaptureRecord {
    std::string when; // date and time, "2026-12-08 14:03:05" (local time)
    int event = 0;    // written with 3 digits
    std::string name;
    std::string tape;
    std::string in;
    std::string out;
    std::string startTc;    // the timecode at the recorder's start ("" when it did not start)
    std::string stopTc;     // the timecode at its stop ("" when it did not start)
    int frames = 0;         // frames asked: out less in
    std::string exitStatus; // the recorder's exit status as a number, "" when it did not start
    std::vector<std::string> problems; // joined with "; " in one field
    std::vector<std::string> files;    // the output files' paths, joined with "; "
    std::string exitMeaning;           // what the exit status means, and whether it counts
    int framesRecorded = -1;           // counted in the file, -1 (written "") when not counted
    std::string firstTc;               // the true timecode of the file's first frame
    int pass = 1;                      // 1: the first capture; 2 on: capturing failures again
};

// The header line: Date,Event,Name,Tape,In,Out,Start,Stop,Frames,Exit,Problems,Files,
// Exit meaning,Recorded,First frame,Pass. The later columns come last, so a reader of the
// earlier ones finds them where it did.
std::string CaptureLogHeader();
std::string CaptureLogLine(const CaptureRecord& record);
// Appends the record's line to folder/capture_log.csv, header first when the file is new or
// empty. Empty on success, else what went wrong.
std::string AppendCaptureLog(const std::string& folder, const CaptureRecord& record);
// The current local date and time as CaptureRecord::when writes it.
std::string NowText();
