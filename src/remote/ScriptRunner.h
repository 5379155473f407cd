#pragma once

#include "CommandTarget.h"

#include <string>

// Runs the script file line by line with the command language, on the calling thread, and
// returns when it ends: at the end of the file, a "Quit" line, a line shorter than 4 characters,
// a line not understood ("Script Error"), a read error, or the operator's stop. Whatever ends
// it, the closing lines are written and the script flag is cleared.
void RunScript(CommandTarget& vcr, const std::string& path = "Script.txt");
