// The report page's file.

#include "CaptureReport.h"

#include "FileWriting.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::string WriteReportFile(const std::string& path, const std::string& html) {
    std::string temporary = path + ".new-XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return ErrnoText(errno);
    // mkostemp makes the file readable by its owner only; a report is for anyone.
    std::string why = fchmod(fd, 0644) != 0 ? ErrnoText(errno) : "";
    const std::string written = WriteAllAndClose(fd, html, true);
    if (why.empty()) why = written;
    if (why.empty() && rename(temporary.c_str(), path.c_str()) != 0) why = ErrnoText(errno);
    if (!why.empty()) unlink(temporary.c_str());
    return why;
}
