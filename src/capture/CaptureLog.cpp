#include "CaptureLog.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) {
        if (!text.empty()) text += "; ";
        text += part;
    }
    return text;
}

std::string ErrorText(int error) {
    char buffer[256];
    return strerror_r(error, buffer, sizeof buffer);
}

} // namespace

std::string CaptureLogHeader() {
    return CsvLine({"Date", "Event", "Name", "Tape", "In", "Out", "Start", "Stop", "Frames", "Exit",
                    "Problems", "Files", "Exit meaning", "Recorded", "First frame", "Pass"});
}

std::string CaptureLogLine(const CaptureRecord& r) {
    char event[16];
    std::snprintf(event, sizeof event, "%03d", r.event);
    return CsvLine({r.when, event, r.name, r.tape, r.in, r.out, r.startTc, r.stopTc,
                    std::to_string(r.frames), r.exitStatus, Joined(r.problems), Joined(r.files),
                    r.exitMeaning, r.framesRecorded < 0 ? "" : std::to_string(r.framesRecorded),
                    r.firstTc, std::to_string(r.pass)});
}

std::string AppendCaptureLog(const std::string& folder, const CaptureRecord& record) {
    const std::string path = folder + "/capture_log.csv";
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return "cannot open " + path + ": " + ErrorText(errno);
    struct stat st {};
    std::string text;
    if (fstat(fd, &st) == 0 && st.st_size == 0) text = CaptureLogHeader();
    text += CaptureLogLine(record);
    std::string problem;
    std::string_view rest = text;
    while (!rest.empty()) {
        const ssize_t n = write(fd, rest.data(), rest.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            problem = "cannot write " + path + ": " + ErrorText(errno);
            break;
        }
        rest.remove_prefix(static_cast<size_t>(n));
    }
    if (close(fd) != 0 && problem.empty())
        problem = "cannot write " + path + ": " + ErrorText(errno);
    return problem;
}

std::string NowText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}
