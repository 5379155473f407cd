// The MD5 of a file and its sidecar.

#include "Md5.h"

#include "FileWriting.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

std::string Md5OfFile(const std::string& path, std::string& hex) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return ErrnoText(errno);
    std::vector<char> buffer(md5ReadBlockBytes);
    Md5 md5;
    for (;;) {
        const ssize_t n = read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const std::string why = ErrnoText(errno);
            close(fd);
            return why;
        }
        if (n == 0) break;
        md5.add(std::string_view(buffer.data(), static_cast<size_t>(n)));
    }
    close(fd);
    hex = md5.hex();
    return {};
}

std::string Md5SumLine(const std::string& hex, const std::string& fileName) {
    std::string name;
    bool escaped = false;
    for (char c : fileName) {
        const char* with = c == '\\' ? "\\\\" : c == '\n' ? "\\n" : c == '\r' ? "\\r" : nullptr;
        escaped = escaped || with != nullptr;
        if (with != nullptr)
            name += with;
        else
            name += c;
    }
    return (escaped ? "\\" : "") + hex + "  " + name + "\n";
}

std::string WriteMd5Sidecar(const std::string& path) {
    std::string hex;
    if (std::string why = Md5OfFile(path, hex); !why.empty()) return why;
    const std::string sidecar = path + ".md5";
    const int fd = open(sidecar.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return ErrnoText(errno);
    const std::string name = path.substr(path.rfind('/') + 1);
    std::string why = WriteAllAndClose(fd, Md5SumLine(hex, name));
    if (!why.empty()) unlink(sidecar.c_str());
    return why;
}
