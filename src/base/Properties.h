#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <string_view>

// Reader for the key=value properties text format of the settings file.
//
// The text is taken as ISO 8859-1 bytes; keys and values come back as UTF-8. Keys end at the
// first unescaped "=", ":", blank, tab or form feed; "#" and "!" start comment lines; a
// backslash at the end of a line continues the entry on the next line; \t \n \r \f \\ and
// \uXXXX are escapes. A later entry with the same key replaces an earlier one.
using Properties = std::map<std::string, std::string>;

// Thrown for text that cannot be read as properties (a malformed \u escape).
class PropertiesError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

Properties ParseProperties(std::string_view latin1);

// The first n characters (code points) of a UTF-8 text.
std::string Utf8Prefix(const std::string& text, size_t n);
