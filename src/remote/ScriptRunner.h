#pragma once

#include "CommandTarget.h"

#include <cstddef>
#include <string>

// The longest script line taken, in bytes, without its line end (LF, CR or CR LF). No command is
// near this long; a longer line ends the script with "Script line too long" and "Script Error",
// read no further.
constexpr std::size_t maxScriptLine = 4096;

// Runs the script file line by line with the command language, on the calling thread, and
// returns when it ends: at the end of the file, a "Quit" line, a line shorter than 4 characters
// (UTF-8 characters, not bytes), a line not understood ("Script Error"), a read error, a file that
// is not a plain file (a folder, a pipe, a device), or the operator's stop. Whatever ends
// it, the closing lines are written and the script flag is cleared.
void RunScript(CommandTarget& vcr, const std::string& path = "Script.txt");
