#include "FrameMd5.h"

#include "ToolRun.h"

#include <filesystem>
#include <system_error>

std::string FrameMd5Path(const std::string& file) {
    return file + ".framemd5";
}

std::string WriteFrameMd5(const std::string& ffmpeg, const std::string& file,
                          std::chrono::milliseconds timeout) {
    const std::string list = FrameMd5Path(file);
    std::error_code error;
    if (std::filesystem::exists(list, error)) return list + " exists: not overwritten";
    const std::vector<std::string> argv = {ffmpeg, "-nostdin", "-v", "error",    "-n",
                                           "-i",   file,       "-f", "framemd5", list};
    const std::string failure = FailureOf(argv, RunTool(argv, timeout));
    if (!failure.empty()) std::filesystem::remove(list, error);
    return failure;
}
