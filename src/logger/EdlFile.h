#pragma once

#include "EdlReader.h"
#include "EdlWriter.h"
#include "EventList.h"

#include <cstddef>
#include <functional>
#include <string>

// Saving and loading EDL files. Every failure is reported as one console line:
//   "FileStreamError: " + reason       the file cannot be opened or created
//   "FileIOError: " + reason + " 1"    reading or writing failed
//   "FileIOError: " + reason + " 2"    finishing the file after a complete read or write failed
//   "FileIOError: invalid timecode in event " + number   nothing was written
// The file is always closed.

// How the bytes reach the disk: like write(2), returning the bytes taken or -1 with errno set.
// Tests put a failing one in its place.
using WriteFunction = std::function<long(int fd, const char* data, std::size_t size)>;

// Writes the events to a temporary file beside path and renames it over path only once every
// byte is written and on the disk: a failed save leaves the file that was there as it was.
// Times are counted at the rate. True when the file was saved.
bool SaveEDL(const std::string& path, const EventList& events, const std::string& savename,
             const std::string& title, EdlLayout layout = EdlLayout::Standard,
             const WriteFunction& write = {}, timecode::Rate rate = timecode::rate30);

struct EdlLoad {
    // An EDL was read to its end (or to its last event) without a failure; false too for a file
    // that does not begin with 'T', which loads nothing.
    bool ok = false;
    EdlRead read;
};

// Reads the EDL at path into the events (see ReadEDL), between two console lines of a single
// blank. Only a plain file is read.
EdlLoad LoadEDL(const std::string& path, EventList& events, bool verbose);
