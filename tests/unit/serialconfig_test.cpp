#include "SerNative.h"
#include "SerialConfig.h"
#include "UsbLatency.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>

TEST(SerialConfig, ConstructorsAndDefaults) {
    SerialConfig plain;
    EXPECT_EQ(plain.getPortName(), "COM1");
    EXPECT_EQ(plain.getBaseName(), "/dev/ttyS");
    EXPECT_EQ(plain.getBitRate(), SerialConfig::BR_9600);
    EXPECT_EQ(plain.getParity(), SerialConfig::PY_NONE);
    EXPECT_EQ(plain.getDataBits(), SerialConfig::LN_8BITS);
    EXPECT_EQ(plain.getStopBits(), SerialConfig::ST_1BITS);
    EXPECT_TRUE(plain.getHardFlow());
    EXPECT_EQ(plain.getTxLen(), 2048);
    EXPECT_EQ(plain.getRxLen(), 4096);
    EXPECT_EQ(plain.getOsName(), "Linux");

    SerialConfig named("/dev/ttyUSB0");
    EXPECT_EQ(named.getPortName(), "/dev/ttyUSB0");
    EXPECT_EQ(named.getBaseName(), "");
    SerialConfig numbered(3, 100, 200);
    EXPECT_EQ(numbered.getPort(), 3);
    EXPECT_EQ(numbered.getTxLen(), 100);
    EXPECT_EQ(numbered.getRxLen(), 200);
    EXPECT_EQ(sernative::DevicePath(numbered), "/dev/ttyS2");
    EXPECT_EQ(sernative::DevicePath(SerialConfig("COM1")), "/dev/ttyS0");
    EXPECT_EQ(sernative::DevicePath(SerialConfig("COM12")), "/dev/ttyS11");
    EXPECT_EQ(sernative::DevicePath(SerialConfig("COMX")), "COMX");
}

TEST(SerialConfig, SettersRefuseOutOfRangeValuesWithTheirTextsAndKeepTheField) {
    struct Case {
        std::function<void(SerialConfig&)> set;
        const char* text;
    };
    const std::vector<Case> refused = {
        {[](SerialConfig& c) { c.setPortNum(-1); }, "Invalid Port Number: -1"},
        {[](SerialConfig& c) { c.setBitRate(12); }, "Invalid Serial Port Bit Rate"},
        {[](SerialConfig& c) { c.setBitRate(-1); }, "Invalid Serial Port Bit Rate"},
        {[](SerialConfig& c) { c.setParity(SerialConfig::PY_MARK); }, "Invalid Serial Port Parity"},
        {[](SerialConfig& c) { c.setDataBits(4); }, "Invalid Serial Port Data Bits"},
        {[](SerialConfig& c) { c.setStopBits(2); }, "Invalid Serial Port Stop Bits"},
        {[](SerialConfig& c) { c.setHandshake(4); }, "Invalid Serial Port Handshake"},
        {[](SerialConfig& c) { c.setHandshake(241); }, "Invalid Serial Port Handshake"},
        {[](SerialConfig& c) { c.setHandshake(SerialConfig::HS_DSRDTR); },
         "DSRDTR handshaking not available on this platform"},
    };
    for (const auto& c : refused) {
        SerialConfig cfg(2);
        const SerialConfig before = cfg.copy();
        try {
            c.set(cfg);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const std::invalid_argument& e) {
            EXPECT_STREQ(e.what(), c.text);
        }
        EXPECT_EQ(cfg.getPort(), before.getPort());
        EXPECT_EQ(cfg.getBitRate(), before.getBitRate());
        EXPECT_EQ(cfg.getParity(), before.getParity());
        EXPECT_EQ(cfg.getHandshake(), before.getHandshake());
    }
    SerialConfig ok;
    ok.setPortNum(0);
    ok.setBitRate(SerialConfig::BR_115200);
    ok.setParity(SerialConfig::PY_EVEN);
    ok.setHandshake(SerialConfig::HS_HARD_IN);
    ok.setHandshake(240);
    EXPECT_EQ(ok.getHandshake(), 240);
}

TEST(SerialConfig, DeckLineSettingsBecomeRawOddParity38400) {
    SerialConfig cfg("/dev/null");
    cfg.setBitRate(SerialConfig::BR_38400);
    cfg.setParity(SerialConfig::PY_ODD);
    cfg.setDataBits(SerialConfig::LN_8BITS);
    cfg.setStopBits(SerialConfig::ST_1BITS);
    cfg.setHandshake(SerialConfig::HS_NONE);
    termios base{};
    base.c_lflag = ICANON | ECHO;
    base.c_cflag = CSTOPB | CRTSCTS;
    const termios t = sernative::MakeTermios(cfg, base);
    EXPECT_EQ(cfgetospeed(&t), B38400);
    EXPECT_EQ(cfgetispeed(&t), B38400);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_TRUE(t.c_cflag & PARENB);
    EXPECT_TRUE(t.c_cflag & PARODD);
    EXPECT_FALSE(t.c_cflag & CSTOPB);
    EXPECT_FALSE(t.c_cflag & CRTSCTS);
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO));
    EXPECT_EQ(t.c_cc[VMIN], 0);
    EXPECT_EQ(t.c_cc[VTIME], 0);

    cfg.setParity(SerialConfig::PY_EVEN);
    cfg.setStopBits(SerialConfig::ST_2BITS);
    cfg.setDataBits(SerialConfig::LN_7BITS);
    const termios e = sernative::MakeTermios(cfg, base);
    EXPECT_TRUE(e.c_cflag & PARENB);
    EXPECT_FALSE(e.c_cflag & PARODD);
    EXPECT_TRUE(e.c_cflag & CSTOPB);
    EXPECT_EQ(e.c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
}

// A fake sysfs tree in a temporary directory: the deck's path is a symbolic link to ttyUSB0,
// whose class entry links to its device's directory, as sysfs does. Asking for low latency
// writes the timer the driver then has (or is refused). A device without a latency timer (a
// built-in port, a pseudo-terminal) says nothing.
TEST(UsbLatency, TheTimerIsReadAskedLowerAboveFourAndAdvisedAboveNine) {
    namespace fs = std::filesystem;
    const std::string advice =
        "USB serial adapter ttyUSB0 holds deck replies up to 16 ms, past the reply wait: lower it "
        "as root with \"echo 1 > /sys/bus/usb-serial/devices/ttyUSB0/latency_timer\" or a udev "
        "rule setting ATTR{latency_timer}=\"1\"";
    struct Case {
        const char* name;
        int before; // -1: no latency timer
        int after;  // the timer once asked; -1: the ask is refused
        std::vector<std::string> lines;
    };
    const std::string timer = "USB serial adapter ttyUSB0: latency timer ";
    const Case cases[] = {
        {"no USB adapter", -1, -1, {}},
        {"low already", 1, -1, {timer + "1 ms"}},
        {"at four", 4, -1, {timer + "4 ms"}},
        {"five, lowered", 5, 1, {timer + "5 ms, low latency asked for: now 1 ms"}},
        {"sixteen, lowered to nine", 16, 9, {timer + "16 ms, low latency asked for: now 9 ms"}},
        {"sixteen, refused", 16, -1, {timer + "16 ms, low latency refused: now 16 ms", advice}},
    };
    char name[] = "/tmp/kolb-sysfs-XXXXXX";
    ASSERT_NE(::mkdtemp(name), nullptr);
    const fs::path root = name;
    const fs::path port = root / "devices/usb1/1-1:1.0/ttyUSB0"; // holds the timer
    fs::create_directories(port / "tty/ttyUSB0");
    fs::create_directories(root / "class/tty");
    fs::create_directories(root / "dev");
    fs::create_symlink(port / "tty/ttyUSB0", root / "class/tty/ttyUSB0");
    fs::create_symlink("../..", port / "tty/ttyUSB0/device");
    std::ofstream(root / "dev/ttyUSB0").put('\n');
    fs::create_symlink(root / "dev/ttyUSB0", root / "dev/deck");
    const auto writeTimer = [&](int ms) { std::ofstream(port / "latency_timer") << ms << "\n"; };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(port / "latency_timer");
        if (c.before >= 0) writeTimer(c.before);
        int asked = 0;
        const auto lines = usblatency::Tune((root / "dev/deck").string(),
                                            [&] {
                                                ++asked;
                                                if (c.after >= 0) writeTimer(c.after);
                                                return c.after >= 0;
                                            },
                                            root.string());
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(asked, c.before > usblatency::askAboveMs ? 1 : 0);
    }
    fs::remove_all(root);
}
