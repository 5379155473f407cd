#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

// USB serial adapters hold received bytes for their latency timer (16 ms unless lowered) before
// passing them on: longer than the deck's reply wait. At port open the timer is read from
// sysfs; above askAboveMs the driver is asked for low latency and the timer read again; still
// above adviseAboveMs, the log says how to lower it.
namespace usblatency {
constexpr int askAboveMs = 4;
constexpr int adviseAboveMs = 9;

// The tty name of a device path, symbolic links followed ("/dev/deck" -> "ttyUSB0"); empty
// when the path does not exist.
std::string TtyName(const std::string& device);

// The latency timer of a tty under sysRoot (class/tty/<name>/device/latency_timer, symbolic
// links followed); nothing when the tty is no USB serial device or the file holds no number.
std::optional<int> ReadTimer(const std::string& sysRoot, const std::string& tty);

// Reads the timer of the device, asks for low latency when it is above askAboveMs, and gives
// the lines to log: none for a device that is not a USB serial adapter.
std::vector<std::string> Tune(const std::string& device, const std::function<bool()>& askLowLatency,
                              const std::string& sysRoot = "/sys");
} // namespace usblatency
