#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The recorder's exit status: which ones count as a clean end, and what each one means.

// The text of the CaptureExitOK setting when none was given: ffmpeg ends with 255 when it
// stops on SIGINT, as a capture stops it.
inline constexpr std::string_view captureExitOKDefault = "0 255";

// The statuses the CaptureExitOK text accepts: numbers 0 to 255 (digits only) separated by
// blanks or commas, in the order given. Nothing for any other text, and for a text with no
// number.
std::optional<std::vector<int>> ParseExitList(std::string_view text);

// What a status (an exit code, or 128 plus the signal that ended the program) means, for the
// capture window and log, always ending " (accepted)" or " (not accepted)":
// "0: ended normally (accepted)", "255: ended on SIGINT as ffmpeg does (accepted)",
// "130: ended by SIGINT (not accepted)", "137: killed by SIGKILL (not accepted)",
// "139: ended by SIGSEGV (not accepted)", "1: error (not accepted)".
std::string ExitMeaning(int status, const std::vector<int>& accepted);
