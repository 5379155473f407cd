#include "SerOutPort.h"

#include "SerialError.h"
#include "SerialPortLocal.h"
#include "Utils.h"

#include <chrono>
#include <thread>

SerOutPort::SerOutPort(const std::string& portName, PortFactory factory) : serCfg(portName) {
    try {
        serCfg.setBitRate(SerialConfig::BR_38400);
        serCfg.setDataBits(SerialConfig::LN_8BITS);
        serCfg.setStopBits(SerialConfig::ST_1BITS);
        serCfg.setParity(SerialConfig::PY_ODD);
        serCfg.setHandshake(SerialConfig::HS_NONE);
        serCfg.setHardFlow(false);
        serCfg.setTxLen(txBuf);
        serCfg.setRxLen(rxBuf);
        serialPort = factory ? factory(serCfg) : std::make_unique<SerialPortLocal>(serCfg);
        if (!serialPort) throw SerialIOError("no port");
    } catch (const std::exception&) {
        Utils::OutLine(" ");
        Utils::OutLine("Serial Port " + portName + " not available");
        isBad = true;
        return;
    }
    try {
        serialPort->setDTR(true);
    } catch (const SerialIOError&) {
        Utils::OutLine("Unable to set DTR");
    }
    try {
        serialPort->setRTS(true);
    } catch (const SerialIOError&) {
        Utils::OutLine("Unable to set RTS");
    }
    try {
        SerialOutStream = std::make_unique<SerOutputStream>(*serialPort);
    } catch (const SerialIOError&) {
        Utils::OutLine("Unable to make OutputStream");
    }
    try {
        SerialInStream = std::make_unique<SerInputStream>(*serialPort);
    } catch (const SerialIOError&) {
        Utils::OutLine("Unable to make InputStream");
    }
}

DeckReply SerOutPort::SendSerial(std::span<const std::uint8_t> frame) {
    std::lock_guard lock(linkMutex);
    serin.fill(0);
    // A failed write took no reply: this exchange reports none, SerCount keeps the last count.
    if (!sendLocked(frame)) return DeckReply{serin, 0};
    // sleep_for resumes after a signal, so the wait always runs its full length.
    std::this_thread::sleep_for(std::chrono::milliseconds(wait.load()));
    return readLocked();
}

bool SerOutPort::SendSer(std::span<const std::uint8_t> frame) {
    std::lock_guard lock(linkMutex);
    return sendLocked(frame);
}

DeckReply SerOutPort::ReadSer() {
    std::lock_guard lock(linkMutex);
    return readLocked();
}

bool SerOutPort::sendLocked(std::span<const std::uint8_t> frame) {
    try {
        if (!SerialOutStream) throw SerialIOError("no output stream");
        SerialOutStream->write(frame);
        return true;
    } catch (const SerialIOError&) {
        Utils::OutLine("Unable to write to Serial Port");
        return false;
    }
}

DeckReply SerOutPort::readLocked() {
    numBytes = 0;
    if (SerialInStream) {
        try {
            while (SerialInStream->available() >= 1) numBytes = SerialInStream->read(serin);
        } catch (const SerialIOError&) {
            // A read error ends the read; the exchange keeps what it had.
        }
    }
    return DeckReply{serin, numBytes};
}

void SerOutPort::ShowStat(const std::string& text) {
    std::lock_guard lock(sinkMutex);
    if (statusSink) statusSink(text);
}

void SerOutPort::setStatusSink(std::function<void(const std::string&)> sink) {
    std::lock_guard lock(sinkMutex);
    statusSink = std::move(sink);
}
