#include "SerNative.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <linux/serial.h>
#include <map>
#include <mutex>
#include <poll.h>
#include <regex>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct OpenPort {
    int fd = -1;
    std::string device; // resolved path, to tell a port that is already open
    int timeoutRx = 0;
    int timeoutTx = 0;
};

// Guards the table of open ports (not the exchanges on them).
std::mutex tableMutex;
std::map<int, OpenPort> ports;
int nextNamedIndex = 1000;

int fdOf(int port) {
    std::lock_guard lock(tableMutex);
    auto it = ports.find(port);
    return it == ports.end() ? -1 : it->second.fd;
}

std::string resolved(const std::string& path) {
    char buf[PATH_MAX];
    if (::realpath(path.c_str(), buf) == nullptr) return path;
    return buf;
}

speed_t speedOf(int code) {
    static const speed_t speeds[] = {B110,  B150,  B300,   B600,   B1200,  B2400,
                                     B4800, B9600, B19200, B38400, B57600, B115200};
    return speeds[code];
}

int modemBits(int port, int bit, bool on) {
    const int fd = fdOf(port);
    if (fd < 0) return -1;
    return ::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bit) == 0 ? 0 : -1;
}

int modemState(int port, int bit) {
    const int fd = fdOf(port);
    int bits = 0;
    if (fd < 0 || ::ioctl(fd, TIOCMGET, &bits) != 0) return -1;
    return (bits & bit) ? 1 : 0;
}

} // namespace

std::string sernative::DevicePath(const SerialConfig& cfg) {
    const std::string& name = cfg.getPortName();
    if (!name.empty() && name != std::string(1, '\0')) {
        static const std::regex com("COM([1-9][0-9]{0,3})");
        std::smatch m;
        if (std::regex_match(name, m, com))
            return "/dev/ttyS" + std::to_string(std::stoi(m[1]) - 1);
        return name;
    }
    if (cfg.getPort() > 0) return cfg.getBaseName() + std::to_string(cfg.getPort() - 1);
    return "";
}

int SerOpenPort(SerialConfig& cfg) {
    const std::string path = sernative::DevicePath(cfg);
    if (path.empty()) return sernative::NOT_VALID;
    const std::string device = resolved(path);
    {
        std::lock_guard lock(tableMutex);
        for (const auto& [index, entry] : ports)
            if (entry.device == device) return sernative::ALREADY_OPEN;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        switch (errno) {
        case EBUSY:
            return sernative::IN_USE;
        case ENOENT:
        case ENXIO:
        case ENODEV:
        case ENOTDIR:
        case EISDIR:
        case ENAMETOOLONG:
            return sernative::NOT_VALID;
        default:
            return errno;
        }
    }
    if (!::isatty(fd)) {
        ::close(fd);
        return sernative::NOT_VALID;
    }
    // Another process that holds the port keeps its lock, which ends with that process however
    // it ends. The terminal's exclusive-open flag is not used: on a pseudo-terminal it outlives
    // the process that set it, and an ordinary user could not open the port again.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return sernative::IN_USE;
    }

    std::lock_guard lock(tableMutex);
    int index = -1;
    static const std::regex ttyS("/dev/ttyS([0-9]{1,3})");
    std::smatch m;
    if (std::regex_match(path, m, ttyS) && !ports.contains(std::stoi(m[1])))
        index = std::stoi(m[1]);
    if (index < 0) {
        while (ports.contains(nextNamedIndex)) ++nextNamedIndex;
        index = nextNamedIndex++;
    }
    ports[index] = OpenPort{fd, device, 0, 0};
    cfg.setPortNum(index + 1);
    return sernative::OK;
}

termios sernative::MakeTermios(const SerialConfig& cfg, termios tio) {
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, speedOf(cfg.getBitRate()));
    ::cfsetospeed(&tio, speedOf(cfg.getBitRate()));
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | CMSPAR);
    static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    tio.c_cflag |= sizes[cfg.getDataBits()] | CLOCAL | CREAD;
    if (cfg.getParity() == SerialConfig::PY_ODD) tio.c_cflag |= PARENB | PARODD;
    if (cfg.getParity() == SerialConfig::PY_EVEN) tio.c_cflag |= PARENB;
    if (cfg.getStopBits() == SerialConfig::ST_2BITS) tio.c_cflag |= CSTOPB;
    const int hs = cfg.getHandshake();
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (hs == SerialConfig::HS_XONXOFF ||
        (hs & (SerialConfig::HS_SOFT_IN | SerialConfig::HS_SOFT_OUT)))
        tio.c_iflag |= IXON | IXOFF;
    if (hs == SerialConfig::HS_CTSRTS ||
        (hs & (SerialConfig::HS_HARD_IN | SerialConfig::HS_HARD_OUT)))
        tio.c_cflag |= CRTSCTS;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    return tio;
}

int SerConfigure(const SerialConfig& cfg) {
    const int fd = fdOf(cfg.getPort() - 1);
    if (fd < 0) return EBADF;
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) return errno;
    const termios want = sernative::MakeTermios(cfg, tio);
    if (::tcsetattr(fd, TCSANOW, &want) == 0) return sernative::OK;
    const int err = errno;
    // A pseudo-terminal has no parity: its driver drops PARENB and the C library reports that
    // as EINVAL although everything else was applied. Accept exactly that case.
    termios got{};
    if (err == EINVAL && ::tcgetattr(fd, &got) == 0 &&
        (got.c_cflag & ~PARENB) == (want.c_cflag & ~PARENB) && got.c_iflag == want.c_iflag &&
        got.c_oflag == want.c_oflag && got.c_lflag == want.c_lflag)
        return sernative::OK;
    return err;
}

int SerClosePort(int port) {
    std::lock_guard lock(tableMutex);
    auto it = ports.find(port);
    if (it == ports.end()) return -1;
    const int rc = ::close(it->second.fd);
    ports.erase(it);
    return rc == 0 ? 0 : -1;
}

int SerPutByte(int port, std::uint8_t b) {
    return SerPutData(port, &b, 1);
}

int SerPutData(int port, const std::uint8_t* data, int len) {
    const int fd = fdOf(port);
    if (fd < 0) return -1;
    // The transmit timeout bounds the whole write, not each wait for room.
    const int timeout = SerGetTimeoutTx(port);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
    int sent = 0;
    while (sent < len) {
        const ssize_t n = ::write(fd, data + sent, static_cast<size_t>(len - sent));
        if (n > 0) {
            sent += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN && timeout > 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0) break;
            pollfd p{fd, POLLOUT, 0};
            const int r = ::poll(&p, 1, static_cast<int>(left));
            if (r > 0 && !(p.revents & (POLLERR | POLLHUP))) continue;
            if (r < 0 && errno == EINTR) continue;
            if (r > 0 && (p.revents & POLLHUP)) errno = EIO; // the line hung up
        }
        break;
    }
    return sent > 0 || len == 0 ? sent : -1;
}

int SerGetByte(int port) {
    std::uint8_t b = 0;
    return SerGetData(port, &b, 1) == 1 ? b : -1;
}

int SerGetData(int port, std::uint8_t* data, int len) {
    const int fd = fdOf(port);
    if (fd < 0) return -1;
    for (;;) {
        const ssize_t n = ::read(fd, data, static_cast<size_t>(len));
        if (n >= 0) return static_cast<int>(n);
        if (errno == EINTR) continue;
        return errno == EAGAIN ? 0 : -1;
    }
}

int SerRxReadyCount(int port) {
    const int fd = fdOf(port);
    int count = 0;
    if (fd < 0 || ::ioctl(fd, FIONREAD, &count) != 0) return -1;
    return count;
}

int SerTxBufCount(int port) {
    const int fd = fdOf(port);
    int count = 0;
    if (fd < 0 || ::ioctl(fd, TIOCOUTQ, &count) != 0) return -1;
    return count;
}

int SerRxFlush(int port) {
    const int fd = fdOf(port);
    return fd >= 0 && ::tcflush(fd, TCIFLUSH) == 0 ? 0 : -1;
}

int SerTxFlush(int port) {
    const int fd = fdOf(port);
    return fd >= 0 && ::tcflush(fd, TCOFLUSH) == 0 ? 0 : -1;
}

int SerTxDrain(int port) {
    const int fd = fdOf(port);
    return fd >= 0 && ::tcdrain(fd) == 0 ? 0 : -1;
}

int SerSetDTR(int port, bool on) {
    return modemBits(port, TIOCM_DTR, on);
}
int SerSetRTS(int port, bool on) {
    return modemBits(port, TIOCM_RTS, on);
}

int SerSetTimeoutRx(int port, int ms) {
    std::lock_guard lock(tableMutex);
    auto it = ports.find(port);
    if (it == ports.end()) return -1;
    it->second.timeoutRx = ms;
    return 0;
}

int SerSetTimeoutTx(int port, int ms) {
    std::lock_guard lock(tableMutex);
    auto it = ports.find(port);
    if (it == ports.end()) return -1;
    it->second.timeoutTx = ms;
    return 0;
}

int SerGetTimeoutRx(int port) {
    std::lock_guard lock(tableMutex);
    auto it = ports.find(port);
    return it == ports.end() ? -1 : it->second.timeoutRx;
}

int SerGetTimeoutTx(int port) {
    std::lock_guard lock(tableMutex);
    auto it = ports.find(port);
    return it == ports.end() ? -1 : it->second.timeoutTx;
}

int SerSigCTS(int port) {
    return modemState(port, TIOCM_CTS);
}
int SerSigDSR(int port) {
    return modemState(port, TIOCM_DSR);
}
int SerSigCD(int port) {
    return modemState(port, TIOCM_CD);
}
int SerSigRing(int port) {
    return modemState(port, TIOCM_RI);
}

int SerSendBreak(int port, int ms) {
    const int fd = fdOf(port);
    return fd >= 0 && ::tcsendbreak(fd, ms / 250) == 0 ? 0 : -1;
}

int SerGetLibVer() {
    return 1;
}

int SerSetLowLatency(int port) {
    const int fd = fdOf(port);
    serial_struct info{};
    if (fd < 0 || ::ioctl(fd, TIOCGSERIAL, &info) != 0) return -1;
    info.flags |= ASYNC_LOW_LATENCY;
    return ::ioctl(fd, TIOCSSERIAL, &info) == 0 ? 0 : -1;
}
