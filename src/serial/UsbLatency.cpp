#include "UsbLatency.h"

#include <filesystem>
#include <fstream>

namespace usblatency {

std::string TtyName(const std::string& device) {
    std::error_code ec;
    const auto real = std::filesystem::canonical(device, ec);
    return ec ? std::string() : real.filename().string();
}

std::optional<int> ReadTimer(const std::string& sysRoot, const std::string& tty) {
    if (tty.empty()) return std::nullopt;
    std::ifstream in(sysRoot + "/class/tty/" + tty + "/device/latency_timer");
    int ms = 0;
    if (!(in >> ms) || ms < 0) return std::nullopt;
    return ms;
}

std::vector<std::string> Tune(const std::string& device, const std::function<bool()>& askLowLatency,
                              const std::string& sysRoot) {
    const std::string tty = TtyName(device);
    const auto before = ReadTimer(sysRoot, tty);
    if (!before) return {};
    const std::string adapter = "USB serial adapter " + tty + ": latency timer ";
    if (*before <= askAboveMs) return {adapter + std::to_string(*before) + " ms"};
    const bool asked = askLowLatency();
    const int after = ReadTimer(sysRoot, tty).value_or(*before);
    std::vector<std::string> lines{adapter + std::to_string(*before) + " ms, low latency " +
                                   (asked ? "asked for" : "refused") + ": now " +
                                   std::to_string(after) + " ms"};
    if (after > adviseAboveMs)
        lines.push_back("USB serial adapter " + tty + " holds deck replies up to " +
                        std::to_string(after) +
                        " ms, past the reply wait: lower it as root with \"echo 1 > "
                        "/sys/bus/usb-serial/devices/" +
                        tty + "/latency_timer\" or a udev rule setting ATTR{latency_timer}=\"1\"");
    return lines;
}

} // namespace usblatency
