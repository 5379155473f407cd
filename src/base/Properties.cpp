#include "Properties.h"

#include <vector>

namespace {

bool isBlank(char32_t c) {
    return c == U' ' || c == U'\t' || c == U'\f';
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

int hexValue(char32_t c) {
    if (c >= U'0' && c <= U'9') return static_cast<int>(c - U'0');
    if (c >= U'a' && c <= U'f') return static_cast<int>(c - U'a' + 10);
    if (c >= U'A' && c <= U'F') return static_cast<int>(c - U'A' + 10);
    return -1;
}

// Resolves the escapes of one key or value.
std::string convert(const std::u32string& in, size_t from, size_t to) {
    std::string out;
    size_t i = from;
    while (i < to) {
        char32_t c = in[i++];
        if (c != U'\\' || i >= to) {
            if (c != U'\\') appendUtf8(out, c);
            continue;
        }
        c = in[i++];
        switch (c) {
        case U't':
            appendUtf8(out, U'\t');
            break;
        case U'n':
            appendUtf8(out, U'\n');
            break;
        case U'r':
            appendUtf8(out, U'\r');
            break;
        case U'f':
            appendUtf8(out, U'\f');
            break;
        case U'u': {
            char32_t value = 0;
            for (int k = 0; k < 4; ++k) {
                const int h = i < to ? hexValue(in[i]) : -1;
                if (h < 0) throw PropertiesError("Malformed \\uxxxx encoding.");
                value = value * 16 + static_cast<char32_t>(h);
                ++i;
            }
            appendUtf8(out, value);
            break;
        }
        default:
            appendUtf8(out, c);
            break;
        }
    }
    return out;
}

// Splits the text into natural lines (ended by LF, CR or CR LF).
std::vector<std::u32string> naturalLines(std::string_view latin1) {
    std::vector<std::u32string> lines;
    std::u32string line;
    for (size_t i = 0; i < latin1.size(); ++i) {
        const auto c = static_cast<unsigned char>(latin1[i]);
        if (c == '\n' || c == '\r') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < latin1.size() && latin1[i + 1] == '\n') ++i;
        } else {
            line.push_back(static_cast<char32_t>(c));
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

size_t skipBlanks(const std::u32string& s, size_t i) {
    while (i < s.size() && isBlank(s[i])) ++i;
    return i;
}

bool endsWithContinuation(const std::u32string& s) {
    size_t n = 0;
    for (auto it = s.rbegin(); it != s.rend() && *it == U'\\'; ++it) ++n;
    return n % 2 == 1;
}

} // namespace

Properties ParseProperties(std::string_view latin1) {
    Properties props;
    const auto lines = naturalLines(latin1);
    for (size_t li = 0; li < lines.size(); ++li) {
        const size_t start = skipBlanks(lines[li], 0);
        if (start == lines[li].size()) continue;
        if (lines[li][start] == U'#' || lines[li][start] == U'!') continue;

        std::u32string logical = lines[li].substr(start);
        while (endsWithContinuation(logical)) {
            logical.pop_back();
            if (++li >= lines.size()) break;
            logical += lines[li].substr(skipBlanks(lines[li], 0));
        }

        size_t keyEnd = 0;
        size_t valueStart = logical.size();
        bool hasSep = false;
        bool escaped = false;
        for (; keyEnd < logical.size(); ++keyEnd) {
            const char32_t c = logical[keyEnd];
            if (!escaped && (c == U'=' || c == U':')) {
                valueStart = keyEnd + 1;
                hasSep = true;
                break;
            }
            if (!escaped && isBlank(c)) {
                valueStart = keyEnd + 1;
                break;
            }
            escaped = (c == U'\\') && !escaped;
        }
        while (valueStart < logical.size()) {
            const char32_t c = logical[valueStart];
            if (!isBlank(c)) {
                if (hasSep || (c != U'=' && c != U':')) break;
                hasSep = true;
            }
            ++valueStart;
        }
        props[convert(logical, 0, keyEnd)] = convert(logical, valueStart, logical.size());
    }
    return props;
}

std::string Utf8Prefix(const std::string& text, size_t n) {
    size_t count = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c & 0xC0) != 0x80) {
            if (count == n) return text.substr(0, i);
            ++count;
        }
    }
    return text;
}
