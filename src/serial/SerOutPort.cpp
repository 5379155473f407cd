#include "SerOutPort.h"

#include "SerNative.h"
#include "SerialError.h"
#include "SerialPortLocal.h"
#include "UsbLatency.h"
#include "Utils.h"

#include <algorithm>
#include <thread>
#include <vector>

namespace {
// How often a reply being completed is looked at: a byte at 38400 bit/s takes 0.29 ms.
constexpr auto completionStep = std::chrono::microseconds(250);

void say(bool quiet, const char* line) {
    if (!quiet) Utils::OutLine(line);
}
} // namespace

SerOutPort::SerOutPort(const std::string& portName, PortFactory makePort)
    : name(portName), factory(std::move(makePort)), serCfg(portName) {
    serCfg.setBitRate(SerialConfig::BR_38400);
    serCfg.setDataBits(SerialConfig::LN_8BITS);
    serCfg.setStopBits(SerialConfig::ST_1BITS);
    serCfg.setParity(SerialConfig::PY_ODD);
    serCfg.setHandshake(SerialConfig::HS_NONE);
    serCfg.setHardFlow(false);
    serCfg.setTxLen(txBuf);
    serCfg.setRxLen(rxBuf);
    std::lock_guard lock(linkMutex);
    if (!openLine(false)) {
        Utils::OutLine(" ");
        Utils::OutLine("Serial Port " + portName + " not available");
        isBad = true;
    }
}

bool SerOutPort::openLine(bool quiet) {
    try {
        if (factory) {
            serialPort = factory(serCfg);
        } else {
            auto local = std::make_unique<SerialPortLocal>(serCfg);
            // A USB adapter plugged in again has its latency timer back at the default.
            for (const std::string& line : usblatency::Tune(
                     sernative::DevicePath(serCfg), [&local] { return local->askLowLatency(); }))
                Utils::OutLine(line);
            serialPort = std::move(local);
        }
        if (!serialPort) throw SerialIOError("no port");
    } catch (const std::exception&) {
        serialPort.reset();
        return false;
    }
    portOpen = true;
    try {
        serialPort->setDTR(true);
    } catch (const SerialIOError&) {
        say(quiet, "Unable to set DTR");
    }
    try {
        serialPort->setRTS(true);
    } catch (const SerialIOError&) {
        say(quiet, "Unable to set RTS");
    }
    try {
        SerialOutStream = std::make_unique<SerOutputStream>(*serialPort);
        outStreamMade = true;
    } catch (const SerialIOError&) {
        say(quiet, "Unable to make OutputStream");
    }
    try {
        SerialInStream = std::make_unique<SerInputStream>(*serialPort);
    } catch (const SerialIOError&) {
        say(quiet, "Unable to make InputStream");
    }
    return true;
}

void SerOutPort::loseLocked() {
    SerialInStream.reset();
    SerialOutStream.reset();
    if (serialPort) {
        try {
            serialPort->close();
        } catch (const SerialIOError&) {
            // The descriptor is released whatever close reports.
        }
    }
    serialPort.reset();
    portOpen = false;
    outStreamMade = false;
    lost = true;
    lastReopen = Clock::now();
    const std::string text = "Deck link lost: " + name;
    Utils::OutLine(text);
    ShowStat(text);
}

bool SerOutPort::reopenLocked() {
    const auto now = Clock::now();
    if (now - lastReopen < std::chrono::milliseconds(reopenEveryMs)) return false;
    lastReopen = now;
    if (!openLine(true)) return false;
    lost = false;
    late = LateReplies{}; // a new line owes no answers
    const std::string text = "Deck link restored: " + name;
    Utils::OutLine(text);
    ShowStat(text);
    return true;
}

DeckReply SerOutPort::SendSerial(std::span<const std::uint8_t> frame) {
    std::lock_guard lock(linkMutex);
    serin.fill(0);
    if (lost && !reopenLocked()) return DeckReply{serin, 0};
    dropStaleLocked();
    if (lost) return DeckReply{serin, 0};
    // A failed write took no reply: this exchange reports none, SerCount keeps the last count.
    if (!sendLocked(frame)) return DeckReply{serin, 0};
    // sleep_for resumes after a signal, so the wait always runs its full length.
    std::this_thread::sleep_for(std::chrono::milliseconds(wait.load()));
    return readLocked();
}

bool SerOutPort::SendSer(std::span<const std::uint8_t> frame) {
    std::lock_guard lock(linkMutex);
    if (lost && !reopenLocked()) return false;
    dropStaleLocked();
    return !lost && sendLocked(frame);
}

DeckReply SerOutPort::ReadSer() {
    std::lock_guard lock(linkMutex);
    if (lost) return DeckReply{serin, 0};
    return readLocked();
}

void SerOutPort::dropStaleLocked() {
    if (!SerialInStream) return;
    std::array<std::uint8_t, 64> scratch{};
    std::vector<std::uint8_t> waiting;
    try {
        // A reply that came after its exchange gave up would otherwise open the next reply.
        for (int i = 0; i < 64 && SerialInStream->available() >= 1; ++i) {
            const int n = SerialInStream->read(scratch);
            waiting.insert(waiting.end(), scratch.begin(), scratch.begin() + std::max(0, n));
        }
    } catch (const SerialIOError& e) {
        if (e.deviceGone()) loseLocked();
    }
    dropLateLocked(late.stale(waiting));
}

void SerOutPort::dropLateLocked(int frames) {
    if (frames <= 0) return;
    lateCount += frames;
    for (int i = 0; i < frames; ++i) Utils::OutLine(lateText);
}

bool SerOutPort::sendLocked(std::span<const std::uint8_t> frame) {
    try {
        if (!SerialOutStream) throw SerialIOError("no output stream");
        SerialOutStream->write(frame);
        return true;
    } catch (const SerialIOError& e) {
        if (e.deviceGone()) {
            loseLocked();
        } else {
            Utils::OutLine("Unable to write to Serial Port");
        }
        return false;
    }
}

DeckReply SerOutPort::readLocked() {
    numBytes = 0;
    if (SerialInStream) {
        try {
            std::vector<std::uint8_t> read;
            std::array<std::uint8_t, 64> chunk{};
            while (SerialInStream->available() >= 1) {
                const int n = SerialInStream->read(chunk);
                read.insert(read.end(), chunk.begin(), chunk.begin() + std::max(0, n));
            }
            const LateReplies::Cut cut = late.take(read);
            dropLateLocked(cut.frames);
            keepLocked(std::span(read).subspan(cut.bytes));
            completeLocked();
        } catch (const SerialIOError& e) {
            // A read error ends the read; the exchange keeps what it had.
            if (e.deviceGone()) loseLocked();
        }
    }
    late.ended(serin, numBytes);
    return DeckReply{serin, numBytes};
}

void SerOutPort::keepLocked(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return;
    // Each portion is stored from the start of the buffer: when more than the buffer holds has
    // come, the last portion is what is kept, and the console says so.
    for (std::size_t at = 0; at < bytes.size(); at += buffersize) {
        const std::size_t n = std::min<std::size_t>(buffersize, bytes.size() - at);
        std::copy_n(bytes.begin() + static_cast<long>(at), n, serin.begin());
        numBytes = static_cast<int>(n);
    }
    if (bytes.size() > buffersize)
        Utils::OutLine("Deck reply longer than 16 bytes: only the last part was kept");
}

void SerOutPort::completeLocked() {
    int have = numBytes;
    if (have <= 0) return;
    // A reply's length follows from its first byte: three bytes and the data count.
    const int whole = std::min(buffersize, 3 + (serin[0] & 0x0F));
    const auto deadline = Clock::now() + std::chrono::milliseconds(completionMs);
    while (have < whole && Clock::now() < deadline) {
        std::this_thread::sleep_for(completionStep);
        if (SerialInStream->available() < 1) continue;
        const auto rest =
            std::span(serin).subspan(static_cast<size_t>(have), static_cast<size_t>(whole - have));
        have += SerialInStream->read(rest);
        numBytes = have;
    }
}

void SerOutPort::ShowStat(const std::string& text) {
    std::lock_guard lock(sinkMutex);
    if (statusSink) statusSink(text);
}

void SerOutPort::setStatusSink(std::function<void(const std::string&)> sink) {
    std::lock_guard lock(sinkMutex);
    statusSink = std::move(sink);
}
