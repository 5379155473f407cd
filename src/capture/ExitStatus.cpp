#include "ExitStatus.h"

#include <algorithm>
#include <csignal>
#include <cstring>

std::optional<std::vector<int>> ParseExitList(std::string_view text) {
    std::vector<int> statuses;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == ',') {
            ++i;
            continue;
        }
        if (c < '0' || c > '9') return std::nullopt;
        int value = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            value = value * 10 + (text[i] - '0');
            if (value > 255) return std::nullopt;
        }
        statuses.push_back(value);
    }
    if (statuses.empty()) return std::nullopt;
    return statuses;
}

namespace {

std::string What(int status) {
    if (status == 0) return "ended normally";
    if (status == 255) return "ended on SIGINT as ffmpeg does";
    if (status == 128 + SIGKILL) return "killed by SIGKILL";
    if (status > 128 && status < 128 + NSIG)
        if (const char* name = sigabbrev_np(status - 128))
            return std::string("ended by SIG") + name;
    return "error";
}

} // namespace

std::string ExitMeaning(int status, const std::vector<int>& accepted) {
    const bool ok = std::find(accepted.begin(), accepted.end(), status) != accepted.end();
    return std::to_string(status) + ": " + What(status) + (ok ? " (accepted)" : " (not accepted)");
}
