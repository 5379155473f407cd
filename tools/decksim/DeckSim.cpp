#include "DeckSim.h"

#include "SerNative.h"
#include "SerialConfig.h"
#include "Utils.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

using ninepin::Bytes;

namespace {

// Raw 38400 bit/s, 8 data bits, odd parity, 1 stop bit.
void configureDeckLine(int fd) {
    SerialConfig cfg("deck");
    cfg.setBitRate(SerialConfig::BR_38400);
    cfg.setParity(SerialConfig::PY_ODD);
    cfg.setDataBits(SerialConfig::LN_8BITS);
    cfg.setStopBits(SerialConfig::ST_1BITS);
    termios tio{};
    ::tcgetattr(fd, &tio);
    tio = sernative::MakeTermios(cfg, tio);
    ::tcsetattr(fd, TCSANOW, &tio);
}

void sleepMs(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// A byte on the line at 38400 bit/s: start bit, 8 data bits, parity and stop bit, 0.286 ms.
constexpr auto byteTime = std::chrono::microseconds(290);

// Writes all the bytes unless the line fails; false when it did.
bool writeAll(int fd, const std::uint8_t* bytes, size_t count) {
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd, bytes + done, count - done);
        if (n > 0)
            done += static_cast<size_t>(n);
        else if (errno != EINTR && errno != EAGAIN)
            return false;
    }
    return true;
}

} // namespace

DeckSim::DeckSim(Options options)
    : opts(std::move(options)), replyDelay(opts.replyDelayMs), model(opts.deck, 0) {
    if (!opts.traceFile.empty()) {
        traceOut.open(opts.traceFile, std::ios::trunc);
        if (!traceOut) throw std::runtime_error("cannot write the trace file " + opts.traceFile);
    }
    openLine();
    reader = std::thread(&DeckSim::run, this);
}

DeckSim::~DeckSim() {
    running = false;
    if (reader.joinable()) reader.join();
    closeLine();
    if (!opts.link.empty()) {
        std::error_code ec;
        std::filesystem::remove(opts.link, ec);
    }
}

double DeckSim::now() const {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - origin)
        .count();
}

void DeckSim::openLine() {
    std::lock_guard lock(lineMutex);
    if (!opts.device.empty()) {
        fd = ::open(opts.device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) throw std::runtime_error("cannot open " + opts.device);
        configureDeckLine(fd);
        linePath = opts.device;
    } else {
        char name[256] = {};
        if (::openpty(&fd, &slaveFd, name, nullptr, nullptr) != 0)
            throw std::runtime_error("cannot open a pseudo-terminal");
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(slaveFd, F_SETFD, FD_CLOEXEC);
        // The deck keeps the slave open too, so the line stays up while the controller comes
        // and goes.
        configureDeckLine(slaveFd);
        linePath = name;
    }
    if (!opts.link.empty()) {
        std::error_code ec;
        std::filesystem::remove(opts.link, ec);
        std::filesystem::create_symlink(linePath, opts.link, ec);
        if (ec) throw std::runtime_error("cannot make the link " + opts.link + ": " + ec.message());
    }
}

void DeckSim::closeLine() {
    std::lock_guard lock(lineMutex);
    if (fd >= 0) ::close(fd);
    if (slaveFd >= 0) ::close(slaveFd);
    fd = slaveFd = -1;
}

std::string DeckSim::path() const {
    std::lock_guard lock(lineMutex);
    return linePath;
}

void DeckSim::disappear() {
    // The reader closes the line between two polls, so no poll still holds it open.
    closeRequested = true;
    for (int i = 0; i < 500 && closeRequested; ++i) sleepMs(2);
}

void DeckSim::comeBack() {
    bool up;
    {
        std::lock_guard lock(lineMutex);
        up = fd >= 0;
    }
    if (!up) openLine();
}

void DeckSim::setFrozen(bool on) {
    std::lock_guard lock(deckMutex);
    model.setFrozen(on, now());
}

void DeckSim::setSpeedFactor(double factor) {
    std::lock_guard lock(deckMutex);
    model.setSpeedFactor(factor, now());
}

void DeckSim::setLocal(bool on) {
    std::lock_guard lock(deckMutex);
    model.setLocal(on, now());
}

void DeckSim::pressPlay() {
    std::lock_guard lock(deckMutex);
    model.play(now());
}

void DeckSim::pressStop() {
    std::lock_guard lock(deckMutex);
    model.stop(now());
}

void DeckSim::ejectTape() {
    std::lock_guard lock(deckMutex);
    model.eject(now());
}

void DeckSim::loadTape() {
    std::lock_guard lock(deckMutex);
    model.insertTape(now());
}

void DeckSim::setTimeKind(TimeKind kind) {
    std::lock_guard lock(deckMutex);
    responder.setTimeKind(kind);
}

DeckModel::Snapshot DeckSim::snapshot() {
    std::lock_guard lock(deckMutex);
    return model.snapshot(now());
}

void DeckSim::setPosition(int frames) {
    std::lock_guard lock(deckMutex);
    model.setPosition(frames, now());
}

void DeckSim::jump(int frames) {
    std::lock_guard lock(deckMutex);
    model.jump(frames, now());
}

std::map<std::uint8_t, std::uint8_t> DeckSim::setupValues() {
    std::lock_guard lock(deckMutex);
    return responder.setupValues();
}

int DeckSim::timeMode() {
    std::lock_guard lock(deckMutex);
    return responder.timeMode();
}

void DeckSim::setTraceCallback(std::function<void(const std::string&)> callback) {
    std::lock_guard lock(traceMutex);
    traceCallback = std::move(callback);
}

void DeckSim::trace(const char* direction, const Bytes& bytes) {
    std::lock_guard lock(traceMutex);
    if (!traceOut.is_open() && !traceCallback) return;
    const std::string line = std::to_string(static_cast<long long>(now())) + " " + direction + " " +
                             Utils::BS2S(bytes, static_cast<int>(bytes.size()));
    if (traceOut.is_open()) traceOut << line << '\n' << std::flush;
    if (traceCallback) traceCallback(line);
}

void DeckSim::run() {
    FrameAssembler assembler(10.0);
    while (running) {
        if (closeRequested) {
            closeLine();
            closeRequested = false;
        }
        int lineFd;
        {
            std::lock_guard lock(lineMutex);
            lineFd = fd;
        }
        if (lineFd < 0) {
            sleepMs(5);
            continue;
        }
        pollfd p{lineFd, POLLIN, 0};
        const int ready = ::poll(&p, 1, 2);
        if (const Bytes dropped = assembler.expire(now()); !dropped.empty()) trace("DROP", dropped);
        if (ready <= 0 || !(p.revents & POLLIN)) {
            // Before anyone opens the device, or after a hang-up, poll reports an error.
            if (ready > 0) sleepMs(2);
            continue;
        }
        std::uint8_t buf[256];
        const ssize_t n = ::read(lineFd, buf, sizeof buf);
        if (n <= 0) continue;
        for (const Bytes& frame : assembler.add(Bytes(buf, buf + n), now())) serve(frame);
    }
}

void DeckSim::serve(const Bytes& frame) {
    trace("RX", frame);
    const int count = ++received;
    Bytes reply;
    const int every = nakEvery;
    if (every > 0 && count % every == 0) {
        reply = ninepin::Nak(ninepin::NAK_TIMEOUT);
    } else {
        std::lock_guard lock(deckMutex);
        reply = responder.handle(frame, now());
    }
    if (noReply) return;
    sleepMs(replyDelay + lateMs);
    sendReply(std::move(reply));
}

void DeckSim::sendReply(Bytes reply) {
    if (dropByte && !reply.empty()) reply.pop_back();
    Bytes out(static_cast<size_t>(std::max(0, garbage.load())), 0xEE);
    out.insert(out.end(), reply.begin(), reply.end());
    if (paced) {
        if (writePaced(out)) trace("TX", out);
        return;
    }
    std::lock_guard lock(lineMutex);
    if (fd < 0) return;
    writeAll(fd, out.data(), out.size());
    trace("TX", out);
}

// The line is locked for one byte at a time, so path() and comeBack() are not held up by a
// long reply. Only this thread closes the line, so it stays open for the whole reply.
bool DeckSim::writePaced(const Bytes& out) {
    const auto start = std::chrono::steady_clock::now();
    for (size_t i = 0; i < out.size(); ++i) {
        std::this_thread::sleep_until(start + byteTime * static_cast<long>(i));
        std::lock_guard lock(lineMutex);
        if (fd < 0 || !writeAll(fd, &out[i], 1)) return false;
    }
    return true;
}
