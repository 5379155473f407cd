#include "ClipFinish.h"

#include "CaptureFiles.h"
#include "ClipTrim.h"
#include "ExitStatus.h"
#include "FrameMd5.h"
#include "FrameProbe.h"
#include "FrameTimes.h"
#include "Md5.h"
#include "Thumbnail.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

using namespace std::chrono_literals;

// A helper program (a probe, a trim, a checksum of each frame, a thumbnail) that runs longer
// than this is stopped, so a capture never waits on one for ever: ten minutes, and four times
// the clip's play time for one that reads a long file whole.
std::chrono::milliseconds ToolTimeout(int frames) {
    return 10min + std::chrono::milliseconds(static_cast<long long>(frames) * 4 * 1000 / 25);
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string NameOf(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

// The files named base.<anything>, sorted.
std::vector<std::string> FilesOf(const std::string& base) {
    const std::string folder = base.substr(0, base.rfind('/'));
    const std::string prefix = NameOf(base) + ".";
    std::vector<std::string> files;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(prefix, 0) == 0) files.push_back(folder + "/" + name);
    }
    std::sort(files.begin(), files.end());
    return files;
}

long long SizeOf(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? -1 : static_cast<long long>(size);
}

} // namespace

std::vector<std::string> RecorderOutputs(const std::vector<std::string>& files,
                                         const std::string& base) {
    std::vector<std::string> outputs;
    for (const std::string& file : files) {
        if (file == base + ".recorder.txt" || file == base + ".timecode.csv" ||
            EndsWith(file, ".md5") || EndsWith(file, ".framemd5") || IsTrimmedName(file))
            continue;
        outputs.push_back(file);
    }
    return outputs;
}

void FinishClip(const FinishFacts& f, ClipOutcome& outcome,
                const std::function<void(const std::string&)>& problem) {
    ClipFiles& files = outcome.files;
    files.base = f.base;
    files.exitStatus = f.status;
    const bool wasDone = outcome.state == ClipState::Done;
    const auto toolTimeout = ToolTimeout(f.clip.frames() + 2 * f.settings.handles);
    const auto failing = [&](const std::string& text) {
        problem(text);
        if (outcome.state == ClipState::Done) outcome.state = ClipState::Failed;
    };
    if (!f.recorderStarted) return;
    const std::string log = NameOf(f.base) + ".recorder.txt";
    if (f.status && !f.endedEarly &&
        std::find(f.settings.exitOk.begin(), f.settings.exitOk.end(), *f.status) ==
            f.settings.exitOk.end())
        failing("recorder ended with status " + ExitMeaning(*f.status, f.settings.exitOk) +
                ": see " + log);

    files.outputs = RecorderOutputs(FilesOf(f.base), f.base);
    if (files.outputs.empty()) failing("the recorder wrote no file: see " + log);
    for (const std::string& output : files.outputs) {
        const long long size = SizeOf(output);
        if (size <= 0) failing(NameOf(output) + " is empty: see " + log);
        files.outputBytes += std::max(0LL, size);
    }

    // The frames in the file, and which of the tape's frames they are: the last one is where the
    // deck was when the recorder was stopped.
    std::optional<FrameSpan> span;
    std::string counted; // the file whose frames were counted
    double videoStart = 0;
    if (!f.settings.probe.empty() && !files.outputs.empty() && outcome.state == ClipState::Done) {
        std::string why;
        for (const std::string& output : files.outputs) {
            const ProbeResult probed = ProbeFrames(f.settings.probe, output, toolTimeout);
            if (probed.frames && !RateAgrees(probed.rate, f.rate)) {
                why = NameOf(output) + " runs at " + probed.rate +
                      " frames a second, the deck at " + timecode::RateText(f.rate) +
                      ": set the recorder's rate to the deck's";
                break;
            }
            if (probed.frames) {
                files.framesRecorded = *probed.frames;
                counted = output;
                videoStart = probed.videoStart;
                break;
            }
            if (why.empty()) why = NameOf(output) + ": " + probed.problem;
        }
        if (files.framesRecorded < 0)
            failing("frames not counted: " + why);
        else if (!f.stopPosition)
            failing("the deck's position at the recorder's stop is not known");
        else {
            span = PlaceFrames(*f.stopPosition, files.framesRecorded, f.clip.inFrames,
                               f.clip.outFrames, f.rate);
            files.firstTc = span->firstTc;
            if (!span->covers) failing(span->missing);
        }
    }

    const std::string map =
        TimecodeMapText(f.reads, span ? span->firstFrame : -1, std::max(0, files.framesRecorded));
    if (const auto why = WriteNewFile(f.base + ".timecode.csv", map); !why.empty())
        failing("timecode map not written: " + why);

    std::vector<std::string> kept = files.outputs;
    if (f.settings.trim && span && span->covers && outcome.state == ClipState::Done) {
        TrimJob job;
        job.source = counted;
        job.target = TrimTarget(counted);
        job.startFrame = span->inIndex;
        job.frames = span->keep;
        job.in = f.clip.in;
        job.rate = f.rate;
        job.videoStart = videoStart;
        if (const std::string why =
                TrimClip(f.settings.trimCommand, f.settings.probe, job, toolTimeout);
            !why.empty())
            failing("trimmed copy not made: " + why);
        else
            kept.push_back(job.target);
    }
    for (const std::string& file : kept) {
        if (SizeOf(file) <= 0) continue; // said above
        if (const auto why = WriteMd5Sidecar(file); !why.empty()) {
            failing("checksum of " + NameOf(file) + " not written: " + why);
            continue;
        }
        if (files.md5.empty()) {
            std::ifstream sum(file + ".md5");
            std::string hex;
            sum >> hex;
            // A name md5sum escapes marks its line with a backslash before the sum.
            if (hex.starts_with('\\')) hex.erase(0, 1);
            files.md5 = hex;
        }
        if (f.settings.frameMd5 && wasDone)
            if (const auto why = WriteFrameMd5("ffmpeg", file, toolTimeout); !why.empty())
                failing("frame checksums of " + NameOf(file) + " not written: " + why);
    }
    if (f.settings.thumbnails && wasDone && !files.outputs.empty()) {
        // The clip's middle: in the handled file, the middle of in to out.
        const int middle = span ? span->inIndex + span->keep / 2 : f.clip.frames() / 2;
        files.thumbnailJpeg =
            ThumbnailJpeg("ffmpeg", counted.empty() ? files.outputs.front() : counted, middle,
                          f.rate, toolTimeout)
                .jpeg;
    }
}
