#pragma once

#include <string>
#include <string_view>

// Base64 as RFC 4648 section 4 defines it: the standard alphabet, padded with '=', no line
// breaks.
std::string Base64(std::string_view bytes);
