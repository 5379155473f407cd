#include "Thumbnail.h"

#include "FrameTimes.h"
#include "ToolRun.h"

Thumbnail ThumbnailJpeg(const std::string& ffmpeg, const std::string& file, int frame,
                        timecode::Rate rate, std::chrono::milliseconds timeout) {
    const std::vector<std::string> argv = {
        ffmpeg, "-nostdin",   "-v",        "error", "-ss", FrameSeconds(frame, rate),
        "-i",   file,         "-frames:v", "1",     "-vf", "scale=160:-2",
        "-f",   "image2pipe", "-c:v",      "mjpeg", "-"};
    ToolResult run = RunTool(argv, timeout);
    if (const std::string failure = FailureOf(argv, run); !failure.empty()) return {{}, failure};
    // A JPEG file begins with its start-of-image marker, FF D8.
    if (run.out.size() < 4 || run.out.compare(0, 2, "\xFF\xD8") != 0)
        return {{}, ffmpeg + " wrote no picture"};
    return {std::move(run.out), ""};
}
