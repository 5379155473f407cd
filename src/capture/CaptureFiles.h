#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The names of what a capture keeps in its folder.

// A clip's name as a file name: every byte that is not an ASCII letter or digit, '.', '-' or
// '_' becomes '_' (a UTF-8 letter of two bytes gives "__"); an empty name becomes "_". Dots
// stay: it is only used behind the event number (ClipStem), where ".." names no folder.
std::string SafeName(std::string_view name);

// The most bytes a clip's stem has. A file name may have NAME_MAX (255) bytes; this leaves room
// for UniqueBase's "_2" ... "_99999", the longest endings a capture gives its files
// (".trim.mkv.framemd5", ".recorder.txt") and what a recorder adds of its own.
inline constexpr std::size_t maxStemBytes = 160;

// The stem of a clip's files: "<event with 3 digits>_<SafeName(name)>", cut to its first
// maxStemBytes bytes (SafeName gives ASCII, so no character is split). Never a path.
std::string ClipStem(int event, std::string_view name);

// The path without extension for a clip's files, in folder: folder + "/" + stem, with "_2",
// "_3", ... added when anything in the folder is named <that>.<anything> or exactly <that>;
// so no file of an earlier capture is ever overwritten.
std::string UniqueBase(const std::string& folder, const std::string& stem);

// Makes the folder (and its parents) when missing. Empty on success, else what went wrong,
// e.g. "captures is a file, not a folder".
std::string MakeFolder(const std::string& folder);

// Writes text to path, creating it, never replacing an existing file. Empty on success, else
// the reason (strerror text); a file that could not be written whole is taken away again.
std::string WriteNewFile(const std::string& path, std::string_view text);
