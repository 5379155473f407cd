#include "SerInPort.h"

#include "SerialError.h"
#include "SerialPortLocal.h"
#include "Utils.h"

ZamAction ZamMessageAction(std::uint8_t group, std::uint8_t code) {
    if (group == 0x81) return code == 0x7F ? ZamAction::JogF : ZamAction::JogR;
    if (group != 0x80) return ZamAction::None;
    switch (code) {
    case 0x45:
        return ZamAction::Play;
    case 0x44:
        return ZamAction::Stop;
    case 0x42:
        return ZamAction::Rewind;
    case 0x43:
        return ZamAction::Forward;
    case 0x40:
        return ZamAction::MarkIn;
    case 0x41:
        return ZamAction::MarkOut;
    default:
        return ZamAction::None;
    }
}

SerInPort::SerInPort(const std::string& portName, PortFactory factory) : serCfg(portName) {
    try {
        serCfg.setDataBits(SerialConfig::LN_8BITS);
        serCfg.setStopBits(SerialConfig::ST_1BITS);
        serCfg.setBitRate(SerialConfig::BR_2400);
        serCfg.setParity(SerialConfig::PY_NONE);
        serCfg.setHandshake(SerialConfig::HS_NONE);
        serCfg.setHardFlow(false);
        serCfg.setTxLen(2048);
        serCfg.setRxLen(buffersize);
        serialPort2 = factory ? factory(serCfg) : std::make_unique<SerialPortLocal>(serCfg);
        if (!serialPort2) throw SerialIOError("no port");
    } catch (const std::exception&) {
        serialPort2.reset();
        isBad = true;
        Utils::OutLine(" ");
        Utils::OutLine("Serial Port " + portName + " not available");
    }
}

SerInPort::~SerInPort() {
    stopme();
    if (thread.joinable()) thread.join();
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
    try {
        if (serialPort2->rxReadyCount() == 0) return;
        // Bytes not read keep the values of the message before.
        serialPort2->getData(serin, 0, 2);
        // One message a poll: whatever else came is dropped.
        serialPort2->rxFlush();
        parse();
        stopping.sleepFor(2 * sleeptime);
    } catch (const SerialIOError&) {
        // A failed poll ends quietly; the next comes after sleeptime.
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
