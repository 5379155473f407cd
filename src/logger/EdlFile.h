#pragma once

#include "EdlReader.h"
#include "EdlWriter.h"
#include "EventList.h"
#include "ListFormat.h"

#include <cstddef>
#include <functional>
#include <string>

// Saving and loading EDL files. Every failure is reported as one console line, among them:
//   "FileStreamError: " + reason       the file cannot be opened or created
//   "FileIOError: " + reason + " 1"    reading or writing failed
//   "FileIOError: " + reason + " 2"    finishing the file after a complete read or write failed
//   "FileIOError: invalid timecode in event " + number   nothing was written
// The file is always closed.

// How the bytes reach the disk: like write(2), returning the bytes taken or -1 with errno set.
// Tests put a failing one in its place.
using WriteFunction = std::function<long(int fd, const char* data, std::size_t size)>;

// The outcome of a file operation: an empty error is success. error is the one console line
// that was written for the failure (e.g. "FileStreamError: Permission denied").
struct FileOutcome {
    std::string error;
    explicit operator bool() const { return error.empty(); }
};

// Writes bytes to a temporary file beside path, puts them on the disk, renames the file over path
// and puts the folder on the disk: a kill or a power cut leaves the old file or the new one,
// whole, and a failed write leaves the old one as it was and no temporary file. A replaced file
// keeps its permissions; a new one is readable by all.
FileOutcome WriteFileAtomically(const std::string& path, const std::string& bytes,
                                const WriteFunction& write = {});

// Writes the events in a format (FormatEDL) with WriteFileAtomically. Times are counted at the
// rate; a CMX list's record times start at recordStart.
FileOutcome SaveEDL(const std::string& path, const EventList& events, const std::string& savename,
                    const std::string& title, ListFormat layout = ListFormat::Standard,
                    const WriteFunction& write = {}, timecode::Rate rate = timecode::rate30,
                    std::optional<int> recordStart = std::nullopt, std::string_view rateName = {});

// The largest file LoadEDL reads: 16 MiB holds far more than 100 events.
constexpr long long maxEdlBytes = 16LL * 1024 * 1024;

struct EdlLoad {
    // Read without a failure, and at least one event stored.
    bool ok = false;
    // When not ok: what to tell the operator, one line (also written to the console).
    std::string error;
    // A fresh log with the events read, each with its own tape, notes and good-take mark (events
    // past the last one read are a fresh log's), and the log's tape (ReadEDL, TableList).
    EventList events = EventList::initial();
    EdlRead read;
};

// Reads the list at path into a fresh log: an ALE (ReadALE), a CSV (ReadCSV) or an EDL (ReadEDL),
// as its first line says (KindOfList), between two console lines of a single
// blank; inUse is the rate in use, for a list that does not say its own. Only a plain file of at
// most maxEdlBytes is read; a larger one is refused from its size, unread.
EdlLoad LoadEDL(const std::string& path, bool verbose, timecode::Rate inUse);
