#include "EdlFile.h"

#include "AleReader.h"
#include "CsvReader.h"
#include "Utils.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

std::string reason(int error) {
    return std::strerror(error);
}

// Closes a descriptor once, whatever path the code takes.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd(fd) {}
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd; }
    // Closes now; the error number of a failed close, else 0.
    int close() {
        const int result = ::close(fd);
        fd = -1;
        return result == 0 ? 0 : errno;
    }

private:
    int fd;
};

// Writes all bytes, going on after a partial write; the error number of a failure, else 0.
int writeAll(int fd, const std::string& bytes, const WriteFunction& write) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const long n = write ? write(fd, bytes.data() + done, bytes.size() - done)
                             : ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? errno : EIO;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

// The whole file; a read failure throws std::system_error.
std::string readAll(int fd) {
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw std::system_error(errno, std::generic_category());
        if (n == 0) return bytes;
        // A file that grows while it is read is read as far as the largest list.
        if (bytes.size() + static_cast<std::size_t>(n) > static_cast<std::size_t>(maxEdlBytes))
            throw std::system_error(EFBIG, std::generic_category());
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

// The first line that holds anything.
std::string_view firstLine(std::string_view text) {
    const std::size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos) return {};
    text.remove_prefix(start);
    return text.substr(0, text.find_first_of("\r\n"));
}

// Reads the list as its first line says it is.
EdlRead readList(const std::string& bytes, EventList& events, bool verbose, timecode::Rate inUse) {
    std::string_view text = bytes;
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    TextSource source(text);
    switch (KindOfList(firstLine(text))) {
    case ListKind::Ale:
        return ReadALE(source, events, inUse);
    case ListKind::Csv:
        return ReadCSV(source, events, inUse);
    case ListKind::Edl:
        break;
    }
    return ReadEDL(source, events, verbose, inUse);
}

} // namespace

FileOutcome WriteFileAtomically(const std::string& path, const std::string& bytes,
                                const WriteFunction& write) {
    const auto failure = [](const std::string& message) {
        Utils::OutLine(message);
        return FileOutcome{message};
    };
    const std::size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temp =
        (slash == std::string::npos ? std::string("./") : dir) + "." + base + ".XXXXXX";
    Descriptor file(::mkostemp(temp.data(), O_CLOEXEC));
    if (file.get() < 0) return failure("FileStreamError: " + reason(errno));
    // A replaced file keeps its permissions; a new one is readable by all.
    struct stat old {};
    const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    ::fchmod(file.get(), mode);
    auto fail = [&](const std::string& message) {
        if (file.get() >= 0) file.close();
        ::unlink(temp.c_str());
        return failure(message);
    };
    if (const int error = writeAll(file.get(), bytes, write))
        return fail("FileIOError: " + reason(error) + " 1");
    if (::fsync(file.get()) != 0) return fail("FileIOError: " + reason(errno) + " 2");
    if (const int error = file.close()) return fail("FileIOError: " + reason(error) + " 2");
    if (::rename(temp.c_str(), path.c_str()) != 0) return fail("FileStreamError: " + reason(errno));
    // The rename itself reaches the disk with the folder.
    Descriptor folder(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) ::fsync(folder.get());
    return {};
}

FileOutcome SaveEDL(const std::string& path, const EventList& events, const std::string& savename,
                    const std::string& title, ListFormat layout, const WriteFunction& write,
                    timecode::Rate rate, std::optional<int> recordStart,
                    std::string_view rateName) {
    const EdlText text = FormatEDL(events, savename, title, layout, rate, recordStart, rateName);
    if (text.invalidEvent != 0) {
        const std::string message =
            "FileIOError: invalid timecode in event " + std::to_string(text.invalidEvent);
        Utils::OutLine(message);
        return {message};
    }
    return WriteFileAtomically(path, text.bytes, write);
}

EdlLoad LoadEDL(const std::string& path, bool verbose, timecode::Rate inUse) {
    EdlLoad load;
    const auto fail = [&](const std::string& message) {
        Utils::OutLine(message);
        if (load.error.empty()) load.error = message;
        load.ok = false;
    };
    Utils::OutLine(" ");
    // Not blocking on open: a FIFO without a writer must not hang the window.
    Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (file.get() < 0) {
        fail("FileStreamError: " + reason(errno));
    } else if (::fstat(file.get(), &st) != 0) {
        fail("FileStreamError: " + reason(errno));
    } else if (S_ISDIR(st.st_mode)) {
        fail("FileStreamError: " + reason(EISDIR));
    } else if (!S_ISREG(st.st_mode)) {
        fail("FileStreamError: Not a regular file");
    } else if (st.st_size > maxEdlBytes) {
        fail("The file is larger than 16 MB: it is not an EDL. Choose a list saved by a logger");
    } else {
        try {
            load.read = readList(readAll(file.get()), load.events, verbose, inUse);
            if (load.read.outcome == EdlRead::Outcome::Empty)
                fail("FileIOError: End of file reached 1");
            else if (load.read.stored == 0 && load.read.skipped > 0)
                fail("No event could be read: " + std::to_string(load.read.skipped) +
                     " lines were skipped (see the log)");
            else if (load.read.stored == 0 && load.read.passedOver > 0)
                fail("The list holds only black or pieces of no length: no clip to load");
            else if (load.read.stored == 0)
                fail("No events found in the file: it is not an EDL. Choose a list saved by a "
                     "logger");
            else
                load.ok = true;
        } catch (const std::system_error& e) {
            fail("FileIOError: " + reason(e.code().value()) + " 1");
        }
        if (const int error = file.close()) fail("FileIOError: " + reason(error) + " 2");
    }
    // What failed loads nothing.
    if (!load.ok) load.events = EventList::initial();
    Utils::OutLine(" ");
    return load;
}
