#include "Pty.h"
#include "SerNative.h"
#include "SerialError.h"
#include "SerialPortLocal.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <sys/file.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {
std::string openFailure(const std::string& name) {
    try {
        SerialPortLocal port{SerialConfig(name)};
        return "opened";
    } catch (const SerialIOError& e) {
        return e.what();
    }
}
} // namespace

TEST(SerialPortLocal, OpenFailuresCarryTheirTexts) {
    EXPECT_EQ(openFailure("/dev/kolb-no-such-port"), "SerOpenPort failed: Port not valid");
    const std::string plain = "/tmp/kolb-not-a-terminal.txt";
    std::ofstream(plain) << "x";
    EXPECT_EQ(openFailure(plain), "SerOpenPort failed: Port not valid");
    ::unlink(plain.c_str());

    Pty pty;
    SerialPortLocal first{SerialConfig(pty.slavePath())};
    EXPECT_EQ(openFailure(pty.slavePath()), "SerOpenPort failed: Port is already open");
}

TEST(SerialPortLocal, APortHeldByAnotherProcessIsInUse) {
    Pty pty;
    int ready[2];
    int release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(release[1]);
        const int fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY);
        const char ok = (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) ? '1' : '0';
        (void)!::write(ready[1], &ok, 1);
        char c;
        (void)!::read(release[0], &c, 1);
        ::_exit(0);
    }
    ::close(release[0]);
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, '1');
    EXPECT_EQ(openFailure(pty.slavePath()), "SerOpenPort failed: Port is in use");
    ::close(release[1]);
    ::waitpid(child, nullptr, 0);
    // Once the other process has let go, the port opens.
    EXPECT_EQ(openFailure(pty.slavePath()), "opened");
}

TEST(SerialPortLocal, OpensAPtyConfiguresItAndRefusesModemLinesItCannotDrive) {
    Pty pty;
    SerialConfig cfg(pty.slavePath());
    cfg.setBitRate(SerialConfig::BR_38400);
    cfg.setParity(SerialConfig::PY_ODD);
    SerialPortLocal port(cfg);
    EXPECT_TRUE(port.isOpen());
    EXPECT_GE(port.getPortNum(), 0);
    EXPECT_FALSE(port.config().getHardFlow()) << "hardware flow is switched off off Windows 95";
    EXPECT_EQ(port.defaultDevice(), "/dev/ttyS0");
    EXPECT_EQ(port.getTimeoutRx(), 0);

    // A pseudo-terminal has no modem lines.
    try {
        port.setDTR(true);
        ADD_FAILURE() << "DTR set on a pty";
    } catch (const SerialIOError& e) {
        EXPECT_STREQ(e.what(), "setDTR failed");
    }

    const std::uint8_t frame[] = {0x20, 0x01, 0x21};
    port.putData(frame);
    EXPECT_EQ(pty.read(3), std::vector<std::uint8_t>(frame, frame + 3));
    pty.write({0x10, 0x01, 0x11});
    ::usleep(20000);
    EXPECT_EQ(port.rxReadyCount(), 3);
    std::uint8_t in[8] = {};
    EXPECT_EQ(port.getData(in), 3);
    EXPECT_EQ(in[2], 0x11);
    EXPECT_EQ(port.getByte(), -1) << "nothing waiting";

    port.close();
    EXPECT_EQ(port.getPortNum(), -1);
    try {
        port.getByte();
        ADD_FAILURE();
    } catch (const SerialIOError& e) {
        EXPECT_STREQ(e.what(), "getByte: Port not open");
    }
}

TEST(SerialPortLocal, WritingToALineWhoseFarEndHasGoneFails) {
    Pty pty;
    SerialPortLocal port{SerialConfig(pty.slavePath())};
    pty.closeMaster();
    const std::uint8_t frame[] = {0x20, 0x00, 0x20};
    try {
        port.putData(frame);
        ADD_FAILURE() << "write to a closed line succeeded";
    } catch (const SerialIOError& e) {
        EXPECT_STREQ(e.what(), "PutData1: Sent only -1 of 3 bytes");
    }
}
