#pragma once

#include <string>
#include <string_view>

// Writing whole files, saying what went wrong in the system's own words.

// The system's text for an errno value ("No space left on device").
std::string ErrnoText(int error);

// Writes all of text to the open file fd, then closes it, also when a write failed. With
// toDisk, waits for the bytes to reach the disk before the close (fsync), so a rename after it
// never names a file whose bytes are still to come. Empty on success, else the reason (strerror
// text) of the first write, sync or close that failed: a full disk may show only at the close.
std::string WriteAllAndClose(int fd, std::string_view text, bool toDisk = false);
