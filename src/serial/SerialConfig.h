#pragma once

#include <string>

// The line settings of one serial port. Setters refuse values outside their range with an
// std::invalid_argument carrying the fixed text and leave the field unchanged.
class SerialConfig {
public:
    static constexpr int BR_110 = 0, BR_150 = 1, BR_300 = 2, BR_600 = 3, BR_1200 = 4, BR_2400 = 5,
                         BR_4800 = 6, BR_9600 = 7, BR_19200 = 8, BR_38400 = 9, BR_57600 = 10,
                         BR_115200 = 11;
    static constexpr int PY_NONE = 0, PY_ODD = 1, PY_EVEN = 2, PY_MARK = 3;
    static constexpr int LN_5BITS = 0, LN_6BITS = 1, LN_7BITS = 2, LN_8BITS = 3;
    static constexpr int ST_1BITS = 0, ST_2BITS = 1;
    static constexpr int HS_NONE = 0, HS_XONXOFF = 1, HS_CTSRTS = 2, HS_CTSDTR = 2, HS_DSRDTR = 3,
                         HS_HARD_IN = 16, HS_HARD_OUT = 32, HS_SOFT_IN = 64, HS_SOFT_OUT = 128;

    SerialConfig();
    explicit SerialConfig(const std::string& portName);
    explicit SerialConfig(int portNum);
    SerialConfig(int portNum, int txLen, int rxLen);

    void setPortNum(int port);
    void setPortName(const std::string& name) { portName = name; }
    void setBitRate(int code);
    void setParity(int code);
    void setDataBits(int code);
    void setStopBits(int code);
    void setHandshake(int code);
    void setBaseName(const std::string& name) { baseName = name; }
    void setHardFlow(bool on) { hardFlow = on; }
    void setTxLen(int len) { txLen = len; }
    void setRxLen(int len) { rxLen = len; }

    int getPort() const { return port; }
    const std::string& getPortName() const { return portName; }
    const std::string& getBaseName() const { return baseName; }
    int getBitRate() const { return bitRate; }
    int getParity() const { return parity; }
    int getDataBits() const { return dataBits; }
    int getStopBits() const { return stopBits; }
    int getHandshake() const { return handshake; }
    bool getHardFlow() const { return hardFlow; }
    int getTxLen() const { return txLen; }
    int getRxLen() const { return rxLen; }
    const std::string& getOsName() const { return osName; }

    SerialConfig copy() const { return *this; }

    // The operating system's name as this layer knows it ("Linux", "FreeBSD", ...).
    static std::string SystemName();

private:
    int port = 0;
    std::string portName;
    std::string baseName;
    int txLen = 2048;
    int rxLen = 4096;
    int bitRate = BR_9600;
    int parity = PY_NONE;
    int dataBits = LN_8BITS;
    int stopBits = ST_1BITS;
    int handshake = HS_NONE;
    bool hardFlow = true;
    std::string osName = SystemName();
};
