#pragma once

#include <string>

// Writes the report page to path through a new file beside it that is then renamed over path,
// so a reader sees the old page or the new one whole, never half of one. A failed write
// removes the new file and leaves path as it was. Empty on success, else the reason (strerror
// text).
std::string WriteReportFile(const std::string& path, const std::string& html);
