#include "Placeholders.h"

#include <string_view>

std::vector<std::string> FillPlaceholders(const std::vector<std::string>& words,
                                          const PlaceholderValues& values) {
    std::vector<std::string> filled;
    filled.reserve(words.size());
    for (const std::string& word : words) {
        std::string out;
        std::size_t i = 0;
        while (i < word.size()) {
            const std::size_t close = word[i] == '{' ? word.find('}', i + 1) : std::string::npos;
            const auto found =
                close == std::string::npos
                    ? values.end()
                    : values.find(std::string_view(word).substr(i + 1, close - i - 1));
            if (found == values.end()) {
                out += word[i++];
            } else {
                out += found->second;
                i = close + 1;
            }
        }
        filled.push_back(out);
    }
    return filled;
}
