#pragma once

#include <chrono>
#include <string>

// The fixity record of a recording: ffmpeg's framemd5 list (an MD5 sum of every decoded frame,
// picture and sound) beside it, as <file>.framemd5, by ffmpeg (the program given, "ffmpeg" to
// look it up on PATH).

// The list's path: the file's path with ".framemd5" added.
std::string FrameMd5Path(const std::string& file);

// Runs ffmpeg -nostdin -v error -n -i <file> -f framemd5 <file>.framemd5. An existing list is
// never replaced. Empty on success, else the reason: "<list> exists: not overwritten", ffmpeg
// not found, its failure (a list it left unfinished is removed).
std::string WriteFrameMd5(const std::string& ffmpeg, const std::string& file,
                          std::chrono::milliseconds timeout);
