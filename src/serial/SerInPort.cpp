#include "SerInPort.h"

#include "SerialError.h"
#include "SerialPortLocal.h"
#include "Utils.h"

#include <algorithm>

namespace {
// The most read in one poll; anything beyond it is dropped unread.
constexpr int maxRead = 256;
// How often a lone first byte looks for its second: a byte at 2400 bit/s takes 4.2 ms.
constexpr int completionStepMs = 2;
} // namespace

SerInPort::SerInPort(const std::string& portName, PortFactory makePort)
    : name(portName), factory(std::move(makePort)), serCfg(portName) {
    try {
        serCfg.setDataBits(SerialConfig::LN_8BITS);
        serCfg.setStopBits(SerialConfig::ST_1BITS);
        serCfg.setBitRate(SerialConfig::BR_2400);
        serCfg.setParity(SerialConfig::PY_NONE);
        serCfg.setHandshake(SerialConfig::HS_NONE);
        serCfg.setHardFlow(false);
        serCfg.setTxLen(2048);
        serCfg.setRxLen(buffersize);
        isBad = !openPort();
    } catch (const std::exception&) {
        isBad = true;
    }
    if (isBad) {
        Utils::OutLine(" ");
        Utils::OutLine("Serial Port " + portName + " not available");
    }
}

SerInPort::~SerInPort() {
    stopme();
    if (thread.joinable()) thread.join();
}

bool SerInPort::openPort() {
    try {
        serialPort2 = factory ? factory(serCfg) : std::make_unique<SerialPortLocal>(serCfg);
    } catch (const std::exception&) {
        serialPort2.reset();
    }
    return serialPort2 != nullptr;
}

void SerInPort::losePort() {
    try {
        serialPort2->close();
    } catch (const SerialIOError&) {
        // The descriptor is released whatever close reports.
    }
    serialPort2.reset();
    lost = true;
    lastReopen = Clock::now();
    say("ZAM Serial Port " + name +
        " lost: reconnect the controller; the port is opened again when it is back");
}

bool SerInPort::reopenPort() {
    const auto now = Clock::now();
    if (now - lastReopen < std::chrono::milliseconds(reopenEveryMs)) return false;
    lastReopen = now;
    if (!openPort()) return false;
    lost = false;
    say("ZAM Serial Port " + name + " reopened");
    return true;
}

void SerInPort::say(const std::string& text, const std::string& logged) {
    Utils::OutLine(logged.empty() ? text : logged);
    if (svcr != nullptr) svcr->ShowStat(text);
}

void SerInPort::start() {
    if (isBad || thread.joinable()) return;
    thread = std::thread([this] { run(); });
}

void SerInPort::stopme() {
    stopping.request();
}

void SerInPort::run() {
    while (!stopping.requested()) {
        if (!stopping.sleepFor(sleeptime)) break;
        readdirect();
    }
}

void SerInPort::readdirect() {
    if (lost && !reopenPort()) return;
    if (!serialPort2) return;
    try {
        const int waiting = serialPort2->rxReadyCount();
        if (waiting <= 0) return;
        // All that waits is read, so that what is dropped can be named.
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min(waiting, maxRead)));
        const int got = serialPort2->getData(bytes, 0, static_cast<int>(bytes.size()));
        bytes.resize(static_cast<std::size_t>(std::max(got, 0)));
        if (waiting > maxRead) serialPort2->rxFlush();
        // A message starts at a group byte: code bytes before one (the second byte of a message
        // given up, come late) are dropped, never taken with the next group byte.
        const auto group = std::find_if(bytes.begin(), bytes.end(), ZamStartsMessage);
        if (group != bytes.begin()) {
            say(ZamStrayText(std::span(bytes.begin(), group)), ZamStrayText({}));
            bytes.erase(bytes.begin(), group);
        }
        // A group byte is never taken with a code byte of another message: one followed by
        // another group byte has lost its code, and one read alone waits for its second.
        for (;;) {
            while (bytes.size() >= 2 && ZamStartsMessage(bytes[1])) {
                say(ZamLostCodeText(bytes), ZamLostCodeText({}));
                bytes.erase(bytes.begin());
            }
            if (bytes.size() != 1) break;
            completeMessage(bytes);
            if (bytes.size() == 1) {
                say(ZamLoneByteText(bytes, wait), ZamLoneByteText({}, wait));
                return;
            }
        }
        if (bytes.empty()) return; // only stray code bytes came
        std::copy_n(bytes.begin(), 2, serin.begin());
        parse();
        // One message a poll: the others that came meanwhile are dropped, and said to be; a
        // last group byte is completed first, so the next poll starts on a message. A group byte
        // that comes as its second has lost its code, and is completed in turn: at most maxRead
        // times, each waiting up to `wait` ms as a lone first byte does, so a line sending
        // nothing but first bytes holds this reader a bounded time and the next poll still comes.
        for (int more = 0; more < maxRead && bytes.size() > 2 && ZamStartsMessage(bytes.back());
             ++more) {
            const std::size_t had = bytes.size();
            completeMessage(bytes);
            if (bytes.size() == had) break; // none came: the group byte is dropped alone
        }
        if (bytes.size() > 2)
            say(ZamDroppedText(std::span(bytes).subspan(2), 3 * sleeptime),
                ZamDroppedText({}, 3 * sleeptime));
        stopping.sleepFor(2 * sleeptime);
    } catch (const SerialIOError& e) {
        // A device that has gone is opened again later; any other failed poll ends quietly and
        // the next comes after sleeptime.
        if (e.deviceGone()) losePort();
    }
}

void SerInPort::completeMessage(std::vector<std::uint8_t>& bytes) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(wait.load());
    for (;;) {
        if (serialPort2->rxReadyCount() > 0) {
            std::array<std::uint8_t, 1> one{};
            if (serialPort2->getData(one, 0, 1) == 1) {
                bytes.push_back(one[0]);
                return;
            }
        }
        if (Clock::now() >= deadline || !stopping.sleepFor(completionStepMs)) return;
    }
}

void SerInPort::parse() {
    Utils::OutLine(Utils::BS2S(serin, 2));
    if (svcr == nullptr) return;
    switch (ZamMessageAction(serin[0], serin[1])) {
    case ZamAction::Play:
        svcr->play();
        break;
    case ZamAction::Stop:
        svcr->stop();
        break;
    case ZamAction::Rewind:
        svcr->rewind();
        break;
    case ZamAction::Forward:
        svcr->forward();
        break;
    case ZamAction::MarkIn:
        svcr->setin();
        break;
    case ZamAction::MarkOut:
        svcr->setout();
        break;
    case ZamAction::JogF:
        svcr->jogf();
        break;
    case ZamAction::JogR:
        svcr->jogr();
        break;
    case ZamAction::None:
        break;
    }
}
