#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

// Values by placeholder name: "path" is put in place of {path}.
using PlaceholderValues = std::map<std::string, std::string, std::less<>>;

// The words with every {name} of the values replaced inside any word; anything else in braces
// stays as it is, and a value is put in once (braces inside a value are not looked at again).
std::vector<std::string> FillPlaceholders(const std::vector<std::string>& words,
                                          const PlaceholderValues& values);
