#pragma once

#include <ostream>
#include <string>
#include <vector>

// kolb-list: converts and checks edit lists with the logger's own readers and writers.
//   kolb-list convert [--rate 30|25|30DF] [--tape NAME] IN OUT
//   kolb-list check [--rate 30|25|30DF] IN
//   kolb-list --help
// args are the words after the program's name; what is printed goes to out and err. Returns
// the exit status: 0 done, 1 the list could not be read or written whole, or a line of it was
// skipped or cut, 2 the command line was wrong (the usage follows the message on err).
int RunListTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The usage text, as --help prints it.
std::string ListToolUsage();
