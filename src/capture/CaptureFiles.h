#pragma once

#include <string>
#include <string_view>

// The names of what a capture keeps in its folder.

// A clip's name as a file name: every byte that is not an ASCII letter or digit, '.', '-' or
// '_' becomes '_' (a UTF-8 letter of two bytes gives "__"); an empty name becomes "_". Dots
// stay: it is only used behind the event number (ClipStem), where ".." names no folder.
std::string SafeName(std::string_view name);

// The stem of a clip's files: "<event with 3 digits>_<SafeName(name)>". Never a path.
std::string ClipStem(int event, std::string_view name);

// The path without extension for a clip's files, in folder: folder + "/" + stem, with "_2",
// "_3", ... added when anything in the folder is named <that>.<anything> or exactly <that>;
// so no file of an earlier capture is ever overwritten.
std::string UniqueBase(const std::string& folder, const std::string& stem);

// Makes the folder (and its parents) when missing. Empty on success, else what went wrong,
// e.g. "captures is a file, not a folder".
std::string MakeFolder(const std::string& folder);

// Writes text to path, creating it, never replacing an existing file. Empty on success, else
// the reason (strerror text).
std::string WriteNewFile(const std::string& path, std::string_view text);
