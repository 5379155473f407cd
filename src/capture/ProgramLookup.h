#pragma once

#include <string>
#include <vector>

// Where a program named at the start of a command line is looked for, in turn, as execvp looks:
// the name itself when it has a '/', else each folder of the PATH value (an empty entry is the
// current folder, no PATH at all is "/bin:/usr/bin").
std::vector<std::string> ProgramPaths(const std::string& program, const char* pathVariable);

// Empty when the recorder program would start: found (on PATH when its name has no '/'), not a
// folder, and executable. Else what is wrong and what to do, naming the program. pathVariable is
// the PATH to search (nullptr: none set); the one-argument form searches this process's PATH.
std::string ProgramProblem(const std::string& program, const char* pathVariable);
std::string ProgramProblem(const std::string& program);
